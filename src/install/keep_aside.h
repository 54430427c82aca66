// Places where the product puts something of its own that the user may already use
// for something else: Outlook's macro project file and Quillon's translation-library
// entry. Before the product's copy goes in, what the user had there is kept aside
// under a name of the product's own; when the product's copy comes out, it is put
// back. Only the product's own copy is ever removed, and nothing of the user's is
// overwritten unless a copy of it was kept first.
#pragma once

#include <string>

#include "platform/registry_key.h"

namespace install {

class UserSlot {
public:
    enum class Holds { kNothing, kProducts, kUsers, kUnknown };

    virtual ~UserSlot() = default;
    virtual Holds Look() = 0;
    virtual bool AsideEmpty() = 0;      // true only when surely nothing is kept aside
    virtual bool KeepAside() = 0;       // copies what the place holds aside; true when done
    virtual void Place(bool over) = 0;  // the product's copy; over: replacing what is there
    virtual bool Clear() = 0;           // removes the product's copy; true when gone
    virtual void PutBack() = 0;         // moves what is aside into the empty place
};

void PlaceKeepingAside(UserSlot& slot);
void RemoveAndPutBack(UserSlot& slot);

// A file: the product's copy is the one with the same bytes as its source.
class FileSlot : public UserSlot {
public:
    FileSlot(std::string target, std::string aside, std::string source)
        : target_(std::move(target)), aside_(std::move(aside)), source_(std::move(source)) {}
    Holds Look() override;
    bool AsideEmpty() override;
    bool KeepAside() override;
    void Place(bool over) override;
    bool Clear() override;
    void PutBack() override;

private:
    std::string target_, aside_, source_;
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
    void Place(bool over) override;
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
