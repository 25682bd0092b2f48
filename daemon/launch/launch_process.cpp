#include "launch_process.h"

#include "environment_text.h"

#include <shellapi.h>

#include <cstring>

void EnvironmentBlock::Release()
{
    if (data_ != nullptr) LocalFree(data_);
    data_ = nullptr;
    length_ = 0;
}

bool ReadEnvironmentFile(EnvironmentBlock& block, const char* path)
{
    HANDLE file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    DWORD high = 0;
    DWORD size = GetFileSize(file, &high);
    // A file of 4 GB or more would otherwise be read as its size modulo 4 GB,
    // and n + 2 would wrap for the largest 32-bit sizes.
    if ((size == INVALID_FILE_SIZE && GetLastError() != NO_ERROR) || high != 0 || size > 0xFFFFFFFFu - 2) {
        CloseHandle(file);
        return false;
    }
    char* in = static_cast<char*>(LocalAlloc(LMEM_FIXED, size == 0 ? 1 : size));
    char* out = static_cast<char*>(LocalAlloc(LMEM_FIXED, size + 2));
    if (in == nullptr || out == nullptr) {
        if (in != nullptr) LocalFree(in);
        if (out != nullptr) LocalFree(out);
        CloseHandle(file);
        return false;
    }
    // A read that fails or stops short (bytes locked by another program, a
    // file cut meanwhile) would start the program with a wrong environment.
    DWORD read = 0;
    const bool whole = ReadFile(file, in, size, &read, nullptr) && read == size;
    CloseHandle(file);
    if (!whole) {
        LocalFree(in);
        LocalFree(out);
        return false;
    }
    DWORD length = static_cast<DWORD>(ConvertEnvironmentText(in, read, out));
    LocalFree(in);
    block.Release();
    block.data_ = out;
    block.length_ = length;
    return true;
}

bool StartProcess(const LaunchRequest& request, const EnvironmentBlock* block)
{
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = static_cast<WORD>(request.showCmd & 0xFFFF);
    // CreateProcessA may write into the command line, so it gets a copy.
    std::string commandLine = request.commandLine;
    const char* folder = request.workingFolder.empty() ? nullptr : request.workingFolder.c_str();
    void* environment = (block != nullptr && block->Data() != nullptr) ? const_cast<char*>(block->Data()) : nullptr;
    PROCESS_INFORMATION info = {};
    if (!CreateProcessA(nullptr, &commandLine[0], nullptr, nullptr, FALSE,
                        CREATE_DEFAULT_ERROR_MODE | CREATE_NEW_PROCESS_GROUP, environment, folder, &startup, &info)) {
        return false;
    }
    CloseHandle(info.hProcess);
    CloseHandle(info.hThread);
    return true;
}

bool OpenWithShell(const LaunchRequest& request)
{
    // Wine's shell copies the file text into buffers of about a thousand
    // characters and overflows them, crashing the caller (a document path of
    // 993 was enough). On Windows a path the ANSI shell opens stays under
    // MAX_PATH, so the bound refuses only URLs longer than it. Counted in
    // bytes, never fewer than the characters.
    constexpr std::size_t kLongestShellLine = 900;
    if (request.commandLine.size() > kLongestShellLine) return false;
    const char* folder = request.workingFolder.empty() ? nullptr : request.workingFolder.c_str();
    HINSTANCE result = ShellExecuteA(nullptr, "open", request.commandLine.c_str(), nullptr, folder, request.showCmd);
    return reinterpret_cast<INT_PTR>(result) > 32;
}
