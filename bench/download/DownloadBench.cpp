// download_bench [--size MB] [--runs N]
//
// Serves a file of MB megabytes (default 256) from nginx on 127.0.0.1 and fetches it N times
// (default 5) with the updater's download job and with curl, each in a child process of its
// own, so that its peak memory (ru_maxrss from wait4) is its own. A second, sixteenth-size file
// shows whether the job's peak memory grows with the file. Prints the best and median time of each.
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "tests/support/nginx/NginxServer.h"
#include "updater/http/HttpDownload.h"

namespace {

namespace fs = std::filesystem;

struct Run {
    double seconds = 0;
    long peakKb = 0;
    bool ok = false;
};

// Runs `body` in a child process; its exit code 0 means success.
template <typename Body>
Run InChild(Body body) {
    Run run;
    const auto start = std::chrono::steady_clock::now();
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::_exit(body());
    }
    int status = 0;
    rusage usage{};
    if (pid < 0 || ::wait4(pid, &status, 0, &usage) != pid) {
        return run;
    }
    run.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    run.peakKb = usage.ru_maxrss;
    run.ok = WIFEXITED(status) && WEXITSTATUS(status) == 0;
    return run;
}

Run FetchWithJob(const std::string& url, const std::string& out) {
    return InChild([&] {
        ovix::updater::CHttpDownload client;
        return client.DownloadFile(url, out) == ovix::updater::kDownloadCompleted ? 0 : 1;
    });
}

Run FetchWithCurl(const std::string& url, const std::string& out) {
    return InChild([&] {
        ::execl(OVIX_CURL_EXECUTABLE, "curl", "-s", "-f", "-o", out.c_str(), url.c_str(),
                static_cast<char*>(nullptr));
        return 127;
    });
}

bool WriteServedFile(const std::string& path, long megabytes) {
    std::ofstream file(path, std::ios::binary);
    std::vector<char> block(1 << 20);
    for (size_t i = 0; i < block.size(); ++i) {
        block[i] = static_cast<char>(i * 131 + 7);
    }
    for (long i = 0; i < megabytes && file; ++i) {
        block[0] = static_cast<char>(i);
        file.write(block.data(), static_cast<std::streamsize>(block.size()));
    }
    return static_cast<bool>(file);
}

// Best and median of `runs` fetches by each tool, taken in turns so that a change in the
// machine's load falls on both alike.
struct Figures {
    Run best;
    double median = 0;
};

template <typename Fetch>
bool FetchOnce(Fetch fetch, const std::string& url, const std::string& out, long bytes,
               std::vector<Run>* runs) {
    fs::remove(out);
    const Run run = fetch(url, out);
    std::error_code error;
    const bool whole = static_cast<long>(fs::file_size(out, error)) == bytes && !error;
    fs::remove(out);
    if (!run.ok || !whole) {
        std::fprintf(stderr, "download_bench: a fetch of %s failed\n", url.c_str());
        return false;
    }
    runs->push_back(run);
    return true;
}

Figures Summarise(std::vector<Run> runs) {
    Figures figures;
    if (runs.empty()) {
        return figures;
    }
    std::sort(runs.begin(), runs.end(),
              [](const Run& a, const Run& b) { return a.seconds < b.seconds; });
    figures.best = runs.front();
    figures.median = runs[runs.size() / 2].seconds;
    for (const Run& run : runs) {
        figures.best.peakKb = std::max(figures.best.peakKb, run.peakKb);
    }
    return figures;
}

void Print(const char* tool, long megabytes, const Figures& figures) {
    const Run& best = figures.best;
    std::printf("%-13s %5ld MB  best %6.3f s %7.1f MB/s  median %6.3f s  peak RSS %6ld KB\n", tool,
                megabytes, best.seconds, best.seconds > 0 ? megabytes / best.seconds : 0.0,
                figures.median, best.peakKb);
}

}  // namespace

int main(int argc, char** argv) {
    long megabytes = 256;
    int runs = 5;
    for (int i = 1; i + 1 < argc; i += 2) {
        if (std::strcmp(argv[i], "--size") == 0) {
            megabytes = std::atol(argv[i + 1]);
        } else if (std::strcmp(argv[i], "--runs") == 0) {
            runs = std::atoi(argv[i + 1]);
        }
    }
    if (megabytes < 16 || runs < 1) {
        std::fprintf(stderr, "usage: download_bench [--size MB (>= 16)] [--runs N]\n");
        return 2;
    }
    std::string folder = (fs::temp_directory_path() / "download-bench-XXXXXX").string();
    if (::mkdtemp(folder.data()) == nullptr) {
        return 1;
    }
    const long smallMegabytes = megabytes / 16;
    const bool served = WriteServedFile(folder + "/big.bin", megabytes) &&
                        WriteServedFile(folder + "/small.bin", smallMegabytes);
    ovix::testsupport::CNginxServer nginx({.documentRoot = folder});
    if (!served || !nginx.Start()) {
        std::fprintf(stderr, "download_bench: cannot serve the files: %s\n", nginx.Error().c_str());
        fs::remove_all(folder);
        return 1;
    }
    const std::string big = nginx.BaseUrl() + "/big.bin";
    const std::string small = nginx.BaseUrl() + "/small.bin";
    const std::string out = folder + "/out.bin";
    const long bigBytes = megabytes << 20;
    const long smallBytes = smallMegabytes << 20;

    // One untimed fetch first, so every timed one finds the served files in the page cache.
    std::vector<Run> warmUp;
    FetchOnce(FetchWithCurl, big, out, bigBytes, &warmUp);
    FetchOnce(FetchWithCurl, small, out, smallBytes, &warmUp);

    std::vector<Run> curlBigRuns, jobBigRuns, curlSmallRuns, jobSmallRuns;
    bool ok = true;
    for (int i = 0; i < runs && ok; ++i) {
        ok = FetchOnce(FetchWithCurl, big, out, bigBytes, &curlBigRuns) &&
             FetchOnce(FetchWithJob, big, out, bigBytes, &jobBigRuns) &&
             FetchOnce(FetchWithCurl, small, out, smallBytes, &curlSmallRuns) &&
             FetchOnce(FetchWithJob, small, out, smallBytes, &jobSmallRuns);
    }
    const Figures curlBig = Summarise(curlBigRuns);
    const Figures jobBig = Summarise(jobBigRuns);
    std::printf("%d runs in turns, file from nginx on 127.0.0.1 into %s\n", runs, folder.c_str());
    Print("curl", megabytes, curlBig);
    Print("download job", megabytes, jobBig);
    Print("curl", smallMegabytes, Summarise(curlSmallRuns));
    Print("download job", smallMegabytes, Summarise(jobSmallRuns));
    if (ok) {
        std::printf("download job / curl throughput: best %.2f, median %.2f\n",
                    curlBig.best.seconds / jobBig.best.seconds, curlBig.median / jobBig.median);
        std::printf("download job peak RSS: %ld KB for %ld MB, %ld KB for %ld MB\n",
                    jobBig.best.peakKb, megabytes, Summarise(jobSmallRuns).best.peakKb,
                    smallMegabytes);
    }
    nginx.Stop();
    fs::remove_all(folder);
    return ok ? 0 : 1;
}
