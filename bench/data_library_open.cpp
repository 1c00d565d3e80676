// Opening the data library dialog over a large Quorvix.ini: a file of about
// 2 MB shared with many other settings, the six library sections among them.
// Times the dialog's creation (its twelve reads of the file included) and
// its first show, offscreen, in a temporary current directory:
//   - the first dialog in the process, without a file (Qt's own start);
//   - the first opening with the file;
//   - reopening with the file unchanged since more than 2 s;
//   - reopening just after another program changed one value (same size);
//   - reopening just after a save of ours.
//
//   bench_data_library_open [openings per case, default 20] [file size in KiB, default 2048]

#include <stdlib.h>
#include <unistd.h>
#include <QApplication>
#include <QDialog>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "bench/BenchFigures.h"
#include "bench/WindowBench.h"
#include "datalib/DataLibraryDlg.h"

namespace {

using Clock = std::chrono::steady_clock;

const char* const kLibrarySections[] = {"Current Data Term1", "Current Data Term2",
                                        "Current Data Term3", "Send Data Term1",
                                        "Send Data Term2",    "Send Data Term3"};

std::string OtherSection(int n) {
    std::string text = "[Station " + std::to_string(n) + "]\r\n; settings of another tool\r\n";
    for (int key = 1; key <= 6; ++key) {
        text += "Setting" + std::to_string(key) + " = value " + std::to_string(n * 7 + key) +
                " of the station, kept by another program\r\n";
    }
    return text;
}

// The library's sections sit after a third and at the end of the file, so a
// look-up cannot stop early. marker is the one value changes alternate.
std::string LibraryFile(size_t bytes, char marker) {
    std::string text;
    int n = 0;
    const auto fillTo = [&](size_t size) {
        while (text.size() < size) {
            text += OtherSection(++n);
        }
    };
    fillTo(bytes / 3);
    for (int i = 0; i < 3; ++i) {
        text += std::string("[") + kLibrarySections[i] + "]\r\nMemo=memo " + std::to_string(i + 1) +
                "\r\nData=AA BB 0" + std::to_string(i + 1) + "\r\n";
    }
    fillTo(bytes - 300);
    for (int i = 3; i < 6; ++i) {
        text += std::string("[") + kLibrarySections[i] + "]\r\nMemo=memo " + std::to_string(i + 1) +
                "\r\nData=01 03 0" + std::to_string(i + 1) + "\r\n";
    }
    text += std::string("[Marker]\r\nValue=") + marker + "\r\n";
    return text;
}

void WriteFile(const std::string& text) {
    std::ofstream("Quorvix.ini", std::ios::binary | std::ios::trunc) << text;
}

// One opening: created (the file read) and shown; closed outside the time.
double OpenOnce(bool withFile = true) {
    CDataLibraryDlg dlg;
    const Clock::time_point start = Clock::now();
    if (!dlg.Create()) {
        std::fprintf(stderr, "the dialog could not be created\n");
        std::exit(1);
    }
    dlg.window()->show();
    QApplication::processEvents();
    const double ms = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
    if (withFile && dlg.m_strSend3 != "01 03 06") {
        std::fprintf(stderr, "the dialog did not show the file's values\n");
        std::exit(1);
    }
    dlg.DestroyWindow();
    return ms;
}

void Report(const char* what, std::vector<double> ms) {
    std::sort(ms.begin(), ms.end());
    std::printf("%-44s %4zu %9.2f %9.2f %9.2f\n", what, ms.size(), ms[ms.size() / 2], ms.front(),
                ms.back());
    std::fflush(stdout);
}

std::vector<double> Openings(int count, const std::function<void(int)>& before) {
    std::vector<double> ms;
    for (int i = 0; i < count; ++i) {
        before(i);
        ms.push_back(OpenOnce());
    }
    return ms;
}

}  // namespace

int main(int argc, char** argv) {
    UseOffscreenWindows();
    QApplication app(argc, argv);
    PrepareWindowBench();
    const int openings = argc > 1 ? std::max(3, std::atoi(argv[1])) : 20;
    const size_t bytes = (argc > 2 ? std::max(16, std::atoi(argv[2])) : 2048) * size_t{1024};

    std::string folder = (std::filesystem::temp_directory_path() / "tessaline-bench-XXXXXX");
    if (!mkdtemp(folder.data())) {
        std::fprintf(stderr, "cannot create a temporary folder\n");
        return 1;
    }
    std::filesystem::current_path(folder);
    // Qt's own first-dialog work, without a file to read.
    const double firstDialog = OpenOnce(false);
    const std::string original = LibraryFile(bytes, '0');
    WriteFile(original);

    std::printf("Opening the data library dialog over a large Quorvix.ini\n");
    std::printf("machine: %s\n", MachineDescription().c_str());
    std::printf("file: %zu bytes, %zu lines; window offscreen\n\n", original.size(),
                static_cast<size_t>(std::count(original.begin(), original.end(), '\n')));
    std::printf("%-44s %4s %9s %9s %9s\n", "case", "runs", "median ms", "min ms", "max ms");

    // Timestamps are trusted only once the file is older than this.
    std::this_thread::sleep_for(std::chrono::milliseconds(2100));
    Report("first dialog of the process, no file", {firstDialog});
    Report("first opening with the file", {OpenOnce()});
    Report("reopened, file unchanged", Openings(openings, [](int) {}));
    Report("reopened, another program changed a value", Openings(openings, [&](int i) {
               WriteFile(LibraryFile(bytes, static_cast<char>('1' + i % 2)));
           }));
    Report("reopened, after a save of ours", Openings(openings, [](int i) {
               SaveDataLibraryEntry("Send Data Term1", "memo", "saved " + std::to_string(i));
           }));

    std::filesystem::current_path("/");
    std::filesystem::remove_all(folder);
    return 0;
}
