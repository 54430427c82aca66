// The library's exports as the tool uses them: texts by the two-call protocol,
// converted to UTF-8, with the result that came with them; and states.
#pragma once

#include <string>

#include "session.h"

// A text export's answer: the text, or "" with the negative code that said why not.
struct Answer {
    long result = 0;
    std::string text;
    bool found() const { return result > 0; }
};

// Why a text export found nothing, in words (-1 ... -4).
const char* Reason(long result);

class Library {
public:
    explicit Library(Session& session) : session_(session) {}

    Answer Name(unsigned int appId) const;
    Answer Path(unsigned int appId) const;
    int State(unsigned int appId) const;
    int SetState(unsigned int appId, int state) const;
    // The installer itself, as the state store calls it.
    void Update(unsigned int appId, int on, int previousState) const;

    // The default browser (browser) or mail client.
    Answer DefaultName(bool browser) const;
    Answer DefaultPath(bool browser) const;
    int DefaultState(bool browser) const;
    int SetDefaultState(bool browser, int state) const;

    Session& session() const { return session_; }

private:
    void* Export(const char* name) const;
    Answer Text(const char* exportName, bool withAppId, unsigned int appId) const;
    Session& session_;
};
