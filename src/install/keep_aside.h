// Places where the product puts something of its own that the user may already use
// for something else: Outlook's macro project file and Quillon's translation-library
// entry. Before the product's copy goes in, what the user had there is kept aside
// under a name of the product's own; when the product's copy comes out, it is put
// back. Only the product's own copy is ever removed, and nothing of the user's is
// overwritten unless a copy of it was kept first.
#pragma once

#include <functional>
#include <string>

#include "catalogue/catalogue.h"
#include "platform/registry_key.h"

namespace install {

class UserSlot {
public:
    // kChanged: what the product placed there, changed since (it may hold the user's
    // own work now).
    enum class Holds { kNothing, kProducts, kChanged, kUsers, kUnknown };

    virtual ~UserSlot() = default;
    virtual Holds Look() = 0;
    virtual bool AsideEmpty() = 0;      // true only when surely nothing is kept aside
    virtual bool KeepAside() = 0;       // copies what the place holds aside; true when done
    virtual bool Place(bool over) = 0;  // the product's copy; over: replacing what is there; true when in place
    virtual bool Clear() = 0;           // removes the product's copy; true when gone
    virtual bool KeepChanged() { return false; }  // moves a changed copy to a name of its own; true when gone
    virtual void Forget() {}                      // the place no longer holds anything the product placed
    virtual void PutBack() = 0;                   // moves what is aside into the empty place
};

// True when the product's copy is in place afterwards.
bool PlaceKeepingAside(UserSlot& slot);
// beforeClear runs when the place holds the product's copy and nothing kept aside is to
// take its place: the one moment a program may still work on the product's copy there.
void RemoveAndPutBack(UserSlot& slot, const std::function<void()>& beforeClear = {});

// What the product placed in a file, recorded as a value of the application's state key
// (beside "Trans" and "applname"): the size and a hash of the bytes placed.
class PlacedRecord {
public:
    PlacedRecord(unsigned int appId, const char* value);
    bool Read(std::string* fingerprint);  // false when there is none, or it cannot be read
    void Write(const std::string& fingerprint);
    void Clear();

private:
    char key_[catalogue::kStateKeyBufferSize];
    const char* value_;
};

// A file: the product's copy is the one with the bytes the product placed there, as
// recorded, or those of its source now. A copy that changed since it was placed is
// kept under the first free one of the changed names (changed, changed2, ...) beside it.
class FileSlot : public UserSlot {
public:
    FileSlot(std::string target, std::string aside, std::string source, std::string changed, PlacedRecord record)
        : target_(std::move(target)),
          aside_(std::move(aside)),
          source_(std::move(source)),
          changed_(std::move(changed)),
          record_(std::move(record)) {}
    Holds Look() override;
    bool AsideEmpty() override;
    bool KeepAside() override;
    bool Place(bool over) override;
    bool Clear() override;
    bool KeepChanged() override;
    void Forget() override;
    void PutBack() override;

private:
    std::string target_, aside_, source_, changed_;
    PlacedRecord record_;
};

// A text value in an open key (read and write access): the product's copy is the one
// that names the product's file, in whatever folder and letter case.
class RegistryValueSlot : public UserSlot {
public:
    RegistryValueSlot(platform::RegistryKey& key, const char* name, const char* aside, std::string value,
                      const char* productFile)
        : key_(key), name_(name), aside_(aside), value_(std::move(value)), productFile_(productFile) {}
    Holds Look() override;
    bool AsideEmpty() override;
    bool KeepAside() override;
    bool Place(bool over) override;
    bool Clear() override;
    void PutBack() override;

private:
    platform::RegistryKey& key_;
    const char* name_;
    const char* aside_;
    std::string value_;
    const char* productFile_;
};

}  // namespace install
