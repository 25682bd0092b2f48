// Editing programs killed at random moments of a save: the settings file is
// afterwards always the old one or the new one, whole, and the daemon's next
// start loads it.
#include "daemon_test_files.h"
#include "editor_test_support.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <prsht.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

using namespace daemon_test;
using namespace editor_test;
using namespace testing_support;

namespace {

constexpr int kCommands = 10000;

class KilledSaveTest : public ::testing::Test {
protected:
    KilledSaveTest() : folder_({"korvadd.exe", "korvopt.exe", "korvaned.exe"}), random_(20261208)
    {
        folder_.WriteMainSettings("local.ini");
        std::vector<Row> rows;
        for (int i = 0; i < kCommands; ++i) {
            const std::string group = "G" + std::to_string(i / 100);
            rows.push_back({i % 100 == 0 ? group : group + "/c" + std::to_string(i), "c.exe", ""});
        }
        // Four keys a command and another section: every save writes six
        // keys a command, so the old and the new file differ.
        old_ = LocalSettings(rows, "HideIcon=false\r\n");
        local_ = folder_.File("local.ini");
        WriteFileText(local_, old_);
        WriteFileText(folder_.File("added.txt"), "x");
    }

    // start(program) starts a program that saves, at once or after the
    // test's own action; false when it could not. Every run is killed a
    // random short time after its write began, and enough of the kills must
    // land inside the write.
    template <typename StartSave>
    void KillDuringSaves(int runs, StartSave start)
    {
        // One whole run gives the new file, three more how long its write
        // takes at least: the kills fall within a little more than that.
        Process first;
        ASSERT_TRUE(start(first)) << "the program did not start, error " << startError_;
        ASSERT_EQ(WaitPumping(first, 60000), 0u);
        const std::string saved = ReadFileText(local_);
        ASSERT_TRUE(saved != old_) << "the whole save left the old file";
        ASSERT_NE(saved.find("cmd[9999].cmdline.env="), std::string::npos);
        double write = 60000;
        for (int run = 0; run < 3; ++run) {
            ASSERT_TRUE(WriteFileText(local_, old_));
            const FileState before = State();
            Process program;
            ASSERT_TRUE(start(program)) << "the program did not start, error " << startError_;
            const double began = WaitForWriteToBegin(program, before);
            ASSERT_GT(began, 0.0) << "no write began";
            // Done when the new file is in place, whole.
            while (!(State().size == saved.size() && !TempFileLeft()) && program.Wait(0) == STILL_ACTIVE) Sleep(0);
            write = std::min(write, Now() - began);
            ASSERT_EQ(WaitPumping(program, 60000), 0u);
        }
        std::uniform_real_distribution<double> delay(0, write * 1.2);

        int inside = 0;
        for (int run = 0; run < runs; ++run) {
            ASSERT_TRUE(WriteFileText(local_, old_));
            RemoveLeftTempFiles();
            const FileState before = State();
            const double wait = delay(random_);
            Process program;
            ASSERT_TRUE(start(program)) << "run " << run << ": the program did not start, error " << startError_;
            const double at = WaitForWriteToBegin(program, before);
            ASSERT_GT(at, 0.0) << "run " << run << ": no write began, exit code " << program.Wait(0);
            while (Now() - at < wait && program.Wait(0) == STILL_ACTIVE) Sleep(0);
            program.Kill();
            const std::string now = ReadFileText(local_);
            ASSERT_TRUE(now == old_ || now == saved)
                << "run " << run << ", killed " << static_cast<int>(wait * 1000) << " us after its write began: "
                << now.size() << " bytes";
            // The old file still there: the kill fell inside the write.
            if (now == old_) ++inside;
        }
        std::printf("%d runs killed in and after a write of %.1f ms: %d inside it left the old file, %d the new one\n",
                    runs, write, inside, runs - inside);
        EXPECT_GE(inside, runs / 4) << "too few kills fell inside the write";
        DaemonLoadsTheFile();
    }

    struct FileState {
        std::size_t size = 0;
        FILETIME written = {};
    };
    FileState State() const
    {
        WIN32_FILE_ATTRIBUTE_DATA data = {};
        FileState state;
        if (GetFileAttributesExA(local_.c_str(), GetFileExInfoStandard, &data)) {
            state.size = data.nFileSizeLow;
            state.written = data.ftLastWriteTime;
        }
        return state;
    }
    // A save's new file beside the settings file.
    bool TempFileLeft() const
    {
        WIN32_FIND_DATAA found;
        const HANDLE search = FindFirstFileA(folder_.File("kvn*.tmp").c_str(), &found);
        if (search == INVALID_HANDLE_VALUE) return false;
        FindClose(search);
        return true;
    }
    void RemoveLeftTempFiles() const
    {
        WIN32_FIND_DATAA found;
        const HANDLE search = FindFirstFileA(folder_.File("kvn*.tmp").c_str(), &found);
        if (search == INVALID_HANDLE_VALUE) return;
        do {
            DeleteFileA(folder_.File(found.cFileName).c_str());
        } while (FindNextFileA(search, &found));
        FindClose(search);
    }
    // Milliseconds of a steady clock.
    static double Now()
    {
        LARGE_INTEGER count, frequency;
        QueryPerformanceCounter(&count);
        QueryPerformanceFrequency(&frequency);
        return 1000.0 * static_cast<double>(count.QuadPart) / static_cast<double>(frequency.QuadPart);
    }
    // Watches the folder until a write begins: a new file appears beside the
    // settings file or the file itself changes. When it began (or was seen
    // done), or 0 when the program ended without writing or a minute passed.
    double WaitForWriteToBegin(Process& program, const FileState& before) const
    {
        const double limit = Now() + 60000;
        while (Now() < limit) {
            const bool ended = program.Wait(0) != STILL_ACTIVE;
            const FileState now = State();
            if (TempFileLeft() || now.size != before.size || CompareFileTime(&now.written, &before.written) != 0) {
                return Now();
            }
            if (ended) return 0;
            Sleep(0);
        }
        return 0;
    }

    // Under Wine one start right after the kill of the program's previous run
    // failed once in CI and never here in thousands of starts: a second try
    // keeps the platform's hiccup out of the verdict on the file, and the log
    // shows it.
    bool Start(Process& program, const char* exe, const std::string& args)
    {
        for (int attempt = 0; attempt < 2; ++attempt) {
            if (StartProgram(program, folder_.Program(exe), args, folder_.Path())) return true;
            startError_ = GetLastError();
            std::printf("%s did not start, error %lu\n", exe, startError_);
            Sleep(100);
        }
        return false;
    }

    void DaemonLoadsTheFile()
    {
        Process daemon;
        ASSERT_TRUE(daemon.Start("\"" + folder_.Program("korvaned.exe") + "\"", folder_.Path()));
        BoxAnswerer boxes(IDOK, daemon.Id());
        EXPECT_NE(WaitForDaemonStartUp(), nullptr);
        EXPECT_TRUE(boxes.Boxes().empty());
        EndDaemon(daemon);
    }

    ProgramFolder folder_;
    std::mt19937 random_;
    std::string old_, local_;
    DWORD startError_ = 0;
};

} // namespace

TEST_F(KilledSaveTest, TheAddersFileIsOldOrNew)
{
    // The adder loads and saves as soon as it starts.
    KillDuringSaves(120, [&](Process& adder) { return Start(adder, "korvadd.exe", "added.txt"); });
}

TEST_F(KilledSaveTest, TheControllersFileIsOldOrNew)
{
    const std::string caption = Sjis("オプションと情報:") + local_;
    // The controller saves when OK is pressed.
    KillDuringSaves(80, [&](Process& controller) {
        if (!Start(controller, "korvopt.exe", "")) return false;
        HWND sheet = nullptr;
        if (!WaitFor([&] { return (sheet = FindWindowA(nullptr, caption.c_str())) != nullptr; }, 20000)) {
            std::printf("the sheet did not show\n");
            return false;
        }
        // Posted: the modal sheet looks at its end only when a posted message arrives.
        PostMessageA(sheet, PSM_PRESSBUTTON, PSBTN_OK, 0);
        return true;
    });
}
