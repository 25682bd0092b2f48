#include "exec_test_support.h"

#include <cstdlib>

namespace exec_test {

using namespace testing_support;

Recorder::Recorder()
{
    exe_ = dir_.File("exec_recorder.exe");
    CopyFileA((ExeDir() + "exec_recorder.exe").c_str(), exe_.c_str(), FALSE);
}

bool Recorder::HasRecord() const
{
    return FileExists(LogPath());
}

bool Recorder::WaitForRecord(Record& record, DWORD timeoutMs) const
{
    return exec_test::WaitForRecord(LogPath(), record, timeoutMs);
}

bool ReadRecord(const std::string& logPath, Record& record)
{
    const std::string data = ReadFileText(logPath);
    std::vector<std::string> fields;
    size_t start = 0;
    while (start < data.size()) {
        size_t end = data.find('\0', start);
        if (end == std::string::npos) end = data.size();
        fields.push_back(data.substr(start, end - start));
        start = end + 1;
    }
    // A whole record ends with the NUL that closes the environment block.
    if (fields.size() < 3 || data.back() != '\0') return false;
    record.commandLine = fields[0];
    record.folder = fields[1];
    record.show = std::atoi(fields[2].c_str());
    record.environment.assign(fields.begin() + 3, fields.end());
    // The NUL that closes the block leaves one empty field after the lines.
    if (!record.environment.empty() && record.environment.back().empty()) record.environment.pop_back();
    return true;
}

bool WaitForRecord(const std::string& logPath, Record& record, DWORD timeoutMs)
{
    return WaitFor([&] { return ReadRecord(logPath, record); }, timeoutMs);
}

namespace {
constexpr char kProgId[] = "KorvaneTestDocument";

bool SetKeyValue(const std::string& key, const std::string& value, const char* name = nullptr)
{
    HKEY handle = nullptr;
    if (RegCreateKeyExA(HKEY_CLASSES_ROOT, key.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &handle, nullptr) != 0) {
        return false;
    }
    bool ok = RegSetValueExA(handle, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                             static_cast<DWORD>(value.size() + 1)) == 0;
    RegCloseKey(handle);
    return ok;
}
} // namespace

DocumentType::DocumentType(const std::string& program)
{
    registered_ = SetKeyValue(kExtension, kProgId) && SetKeyValue(kProgId, "", "URL Protocol") &&
                  SetKeyValue(std::string(kProgId) + "\\shell\\open\\command", "\"" + program + "\" \"%1\"");
}

DocumentType::~DocumentType()
{
    RegDeleteTreeA(HKEY_CLASSES_ROOT, kProgId);
    RegDeleteTreeA(HKEY_CLASSES_ROOT, kExtension);
}

UserVariable::UserVariable(const std::string& name, const std::string& value, DWORD type) : name_(name)
{
    HKEY key = nullptr;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, "Environment", 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr) != 0) {
        return;
    }
    written_ = RegSetValueExA(key, name.c_str(), 0, type, reinterpret_cast<const BYTE*>(value.c_str()),
                              static_cast<DWORD>(value.size() + 1)) == 0;
    RegCloseKey(key);
}

UserVariable::~UserVariable()
{
    Remove();
}

void UserVariable::Remove()
{
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, "Environment", 0, KEY_SET_VALUE, &key) != 0) return;
    RegDeleteValueA(key, name_.c_str());
    RegCloseKey(key);
}

bool AnnounceEnvironmentChange()
{
    DWORD_PTR answer = 0;
    return SendMessageTimeoutA(HWND_BROADCAST, WM_SETTINGCHANGE, 0, reinterpret_cast<LPARAM>("Environment"),
                               SMTO_ABORTIFHUNG, 5000, &answer) != 0;
}

void CloseStrayBoxes(DWORD timeoutMs)
{
    WaitFor([] {
        HWND box = FindMessageBox(GetCurrentProcessId());
        if (box != nullptr) PostMessageA(box, WM_CLOSE, 0, 0);
        return false;
    }, timeoutMs);
}

} // namespace exec_test
