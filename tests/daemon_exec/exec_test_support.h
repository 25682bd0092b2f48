#pragma once

// The recorder program of the execution tests and what it wrote.

#include "test_support.h"

#include <string>
#include <vector>

namespace exec_test {

struct Record {
    std::string commandLine;
    std::string folder;
    int show = -1;                       // wShowWindow, -1 without STARTF_USESHOWWINDOW
    std::vector<std::string> environment; // the lines in block order
};

// Reads a whole record from the recorder's log; false while there is none or
// it is not complete.
bool ReadRecord(const std::string& logPath, Record& record);
// Pumps messages until ReadRecord succeeds; false when the time is up.
bool WaitForRecord(const std::string& logPath, Record& record, DWORD timeoutMs = 10000);

// A copy of the recorder in a folder of its own; it writes "<exe>.log".
class Recorder {
public:
    Recorder();
    const std::string& Exe() const { return exe_; }
    const std::string& Folder() const { return dir_.Path(); }
    std::string File(const std::string& name) const { return dir_.File(name); }
    std::string LogPath() const { return exe_ + ".log"; }
    // Pumps messages until the log is there; false when the time is up.
    bool WaitForRecord(Record& record, DWORD timeoutMs = 10000) const;
    bool HasRecord() const;

private:
    testing_support::TempDir dir_;
    std::string exe_;
};

// A file type of the test prefix whose "open" verb runs the given program
// with the document: a fresh prefix has no association for .txt. Its name is
// also a URL scheme, opened by the same program.
class DocumentType {
public:
    static constexpr const char kExtension[] = ".krvdoc";
    static constexpr const char kUrlScheme[] = "KorvaneTestDocument:";
    explicit DocumentType(const std::string& program);
    ~DocumentType();
    DocumentType(const DocumentType&) = delete;
    DocumentType& operator=(const DocumentType&) = delete;
    bool Registered() const { return registered_; }

private:
    bool registered_ = false;
};

// A value of the user's environment variables in the registry
// (HKCU\Environment), removed when the object goes.
class UserVariable {
public:
    UserVariable(const std::string& name, const std::string& value, DWORD type = REG_SZ);
    ~UserVariable();
    UserVariable(const UserVariable&) = delete;
    UserVariable& operator=(const UserVariable&) = delete;
    bool Written() const { return written_; }
    void Remove();

private:
    std::string name_;
    bool written_ = false;
};

// Tells every top-level window that environment variables changed, as the
// system's settings do; true when the broadcast went out.
bool AnnounceEnvironmentChange();

// Closes every visible box or dialog of this process that shows up within the time.
void CloseStrayBoxes(DWORD timeoutMs);

} // namespace exec_test
