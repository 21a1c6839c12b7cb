// Benchmark of the PDF writer: quillmark-cli pdf against cat of the same page files into one file, in the
// same run, with the peak memory of each. The pages are captured-size JPEG files (800 x 3000 at quality 100,
// about 1 MB each), generated once into the data folder and reused by later runs.
//
//   bench_jpeg2pdf [--pages N] [--rounds R] [--dir DIR]
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

// After <cstdio>: jpeglib.h uses FILE and size_t without including their headers.
#include <jpeglib.h>

namespace {

namespace fs = std::filesystem;

constexpr int kWidth = 800;
constexpr int kHeight = 3000;

// A page as a browser renders a chapter: black text on white with grey anti-aliased edges, and now and then a
// coloured picture with some noise, so that quality 100 gives files of a realistic size.
std::vector<unsigned char> RenderPage(unsigned seed) {
    std::vector<unsigned char> rgb(static_cast<std::size_t>(kWidth) * kHeight * 3, 255);
    std::mt19937 random(seed);
    auto put = [&](int x, int y, int r, int g, int b) {
        auto* pixel = &rgb[(static_cast<std::size_t>(y) * kWidth + x) * 3];
        pixel[0] = static_cast<unsigned char>(std::clamp(r, 0, 255));
        pixel[1] = static_cast<unsigned char>(std::clamp(g, 0, 255));
        pixel[2] = static_cast<unsigned char>(std::clamp(b, 0, 255));
    };
    for (int top = 40; top + 36 < kHeight - 40; top += 36) {
        if (random() % 10 == 0 && top + 240 < kHeight - 40) {
            const int hue = static_cast<int>(random() % 200);
            for (int y = top; y < top + 220; ++y) {
                for (int x = 50; x < kWidth - 50; ++x) {
                    const int noise = static_cast<int>(random() % 10) - 5;
                    put(x, y, hue + (x - 50) / 5 + noise, 120 + (y - top) / 2 + noise, 200 - hue / 2 + noise);
                }
            }
            top += 220;
            continue;
        }
        for (int x = 40; x < kWidth - 40;) {
            const int word = 15 + static_cast<int>(random() % 70);
            for (int dx = 0; dx < word && x + dx < kWidth - 40; ++dx) {
                const auto stroke = static_cast<unsigned>(random());
                if ((stroke >> 20) % 2 == 0) {
                    continue; // the white between the strokes of a letter
                }
                for (int dy = 4 + static_cast<int>(stroke % 5); dy < 20 - static_cast<int>((stroke >> 3) % 5); ++dy) {
                    const int ink = (stroke >> 8) % 3 == 0 ? 160 : 20 + static_cast<int>((stroke >> 12) % 60);
                    put(x + dx, top + dy, ink, ink, ink);
                }
            }
            x += word + 8;
        }
    }
    return rgb;
}

void WriteJpeg(const fs::path& path, const std::vector<unsigned char>& rgb) {
    FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) {
        throw std::runtime_error("cannot create " + path.string());
    }
    jpeg_compress_struct info{};
    jpeg_error_mgr errors{};
    info.err = jpeg_std_error(&errors);
    jpeg_create_compress(&info);
    jpeg_stdio_dest(&info, file);
    info.image_width = kWidth;
    info.image_height = kHeight;
    info.input_components = 3;
    info.in_color_space = JCS_RGB;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, 100, TRUE);
    jpeg_start_compress(&info, TRUE);
    while (info.next_scanline < info.image_height) {
        JSAMPROW row = const_cast<unsigned char*>(&rgb[static_cast<std::size_t>(info.next_scanline) * kWidth * 3]);
        jpeg_write_scanlines(&info, &row, 1);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    if (std::fclose(file) != 0) {
        throw std::runtime_error("cannot write " + path.string());
    }
}

std::vector<std::string> EnsurePages(const fs::path& folder, int count) {
    fs::create_directories(folder);
    std::vector<std::string> pages;
    int made = 0;
    for (int i = 0; i < count; ++i) {
        char name[32];
        std::snprintf(name, sizeof name, "page-%04d.jpg", i);
        const fs::path path = folder / name;
        if (!fs::exists(path)) {
            WriteJpeg(path, RenderPage(static_cast<unsigned>(i)));
            ++made;
        }
        pages.push_back(path.string());
    }
    if (made > 0) {
        std::printf("generated %d pages in %s\n", made, folder.c_str());
    }
    return pages;
}

// One page of the given size: a real page followed by zero bytes, to show that memory does not follow the
// size of a page.
std::string EnsureLargePage(const fs::path& folder, const std::string& page, std::uintmax_t size) {
    const fs::path path = folder / "large-page.jpg";
    if (!fs::exists(path) || fs::file_size(path) != size) {
        fs::copy_file(page, path, fs::copy_options::overwrite_existing);
        FILE* file = std::fopen(path.c_str(), "ab");
        const std::vector<char> zeros(1 << 20, 0);
        for (std::uintmax_t at = fs::file_size(page); file != nullptr && at < size; at += zeros.size()) {
            std::fwrite(zeros.data(), 1, std::min<std::uintmax_t>(zeros.size(), size - at), file);
        }
        if (file == nullptr || std::fclose(file) != 0) {
            throw std::runtime_error("cannot write " + path.string());
        }
    }
    return path.string();
}

struct RunResult {
    double seconds;
    long maxRssKiB;
};

// Runs a program with its standard output sent to `stdoutFile` and measures its wall time and peak memory.
// Meant to run in a fresh, small process (see Spawn): a child's peak memory starts at its parent's.
RunResult Measure(const std::vector<std::string>& argv, const std::string& stdoutFile) {
    std::vector<char*> args;
    for (const std::string& arg : argv) {
        args.push_back(const_cast<char*>(arg.c_str()));
    }
    args.push_back(nullptr);
    const auto start = std::chrono::steady_clock::now();
    const pid_t child = ::fork();
    if (child == 0) {
        const int out = ::open(stdoutFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        ::dup2(out, STDOUT_FILENO);
        ::execvp(args[0], args.data());
        ::_exit(127);
    }
    int status = 0;
    rusage usage{};
    if (child < 0 || ::wait4(child, &status, 0, &usage) != child || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        throw std::runtime_error(argv[0] + " failed with status " + std::to_string(status));
    }
    return {std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count(), usage.ru_maxrss};
}

// Measure() in a new process of this program started with --measure, because the Linux peak-memory figure of
// a child begins with its parent's, and this process has held whole rendered pages.
RunResult Spawn(const std::string& self, const fs::path& dir, const std::vector<std::string>& argv,
                const std::string& stdoutFile) {
    const std::string report = (dir / "measure.txt").string();
    std::vector<std::string> args{self, "--measure", report, stdoutFile};
    args.insert(args.end(), argv.begin(), argv.end());
    Measure(args, (dir / "measure.out").string());
    RunResult result{};
    FILE* file = std::fopen(report.c_str(), "r");
    const bool read = file != nullptr && std::fscanf(file, "%lf %ld", &result.seconds, &result.maxRssKiB) == 2;
    if (file != nullptr) {
        std::fclose(file);
    }
    fs::remove(report);
    fs::remove(dir / "measure.out");
    if (!read) {
        throw std::runtime_error("no measurement of " + argv[0]);
    }
    return result;
}

int MeasureMain(int argc, char** argv) {
    const std::vector<std::string> command(argv + 4, argv + argc);
    try {
        const RunResult result = Measure(command, argv[3]);
        FILE* file = std::fopen(argv[2], "w");
        return file != nullptr && std::fprintf(file, "%.6f %ld\n", result.seconds, result.maxRssKiB) > 0 &&
                       std::fclose(file) == 0
                   ? 0
                   : 1;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "bench_jpeg2pdf: %s\n", e.what());
        return 1;
    }
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

std::optional<std::string> FindInPath(const std::string& program) {
    const char* path = std::getenv("PATH");
    std::string folders = path != nullptr ? path : "";
    for (std::size_t start = 0; start <= folders.size();) {
        const std::size_t end = std::min(folders.find(':', start), folders.size());
        const fs::path candidate = fs::path(folders.substr(start, end - start)) / program;
        if (::access(candidate.c_str(), X_OK) == 0) {
            return candidate.string();
        }
        start = end + 1;
    }
    return std::nullopt;
}

} // namespace

int main(int argc, char** argv) {
    if (argc >= 5 && std::string(argv[1]) == "--measure") {
        return MeasureMain(argc, argv);
    }
    const std::string self = fs::canonical("/proc/self/exe").string();
    int pageCount = 200;
    int rounds = 5;
    fs::path dir = QM_BENCH_DIR;
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string option = argv[i];
        if (option == "--pages") {
            pageCount = std::max(1, std::atoi(argv[i + 1]));
        } else if (option == "--rounds") {
            rounds = std::max(1, std::atoi(argv[i + 1]));
        } else if (option == "--dir") {
            dir = argv[i + 1];
        }
    }
    try {
        const std::vector<std::string> pages = EnsurePages(dir / "pages", pageCount);
        std::uintmax_t bytes = 0;
        for (const std::string& page : pages) {
            bytes += fs::file_size(page);
        }
        const double megabytes = static_cast<double>(bytes) / 1e6;
        std::printf("%d pages of %dx%d, %.1f MB in all\n", pageCount, kWidth, kHeight, megabytes);

        const std::string cli = QM_CLI_PATH;
        const std::string pdf = (dir / "writer.pdf").string();
        const std::string catOut = (dir / "cat.out").string();
        const std::string quiet = (dir / "stdout.txt").string();
        std::vector<std::string> catArgs{"cat"};
        catArgs.insert(catArgs.end(), pages.begin(), pages.end());
        std::vector<std::string> writerArgs{cli, "pdf", pdf};
        writerArgs.insert(writerArgs.end(), pages.begin(), pages.end());
        const std::optional<std::string> img2pdf = FindInPath("img2pdf");
        std::vector<std::string> img2pdfArgs;
        if (img2pdf) {
            img2pdfArgs = {*img2pdf, "-o", (dir / "img2pdf.pdf").string()};
            img2pdfArgs.insert(img2pdfArgs.end(), pages.begin(), pages.end());
        }

        Spawn(self, dir, catArgs, catOut); // brings the pages into the page cache for every contender alike
        std::vector<double> catTimes, writerTimes, img2pdfTimes;
        long catRss = 0, writerRss = 0;
        for (int round = 0; round < rounds; ++round) {
            // Alternating who goes first cancels what one run leaves to the next (write-back of its output).
            RunResult c{}, w{};
            if (round % 2 == 0) {
                c = Spawn(self, dir, catArgs, catOut);
                w = Spawn(self, dir, writerArgs, quiet);
            } else {
                w = Spawn(self, dir, writerArgs, quiet);
                c = Spawn(self, dir, catArgs, catOut);
            }
            fs::remove(catOut);
            fs::remove(pdf);
            catTimes.push_back(c.seconds);
            writerTimes.push_back(w.seconds);
            catRss = std::max(catRss, c.maxRssKiB);
            writerRss = std::max(writerRss, w.maxRssKiB);
            if (img2pdf) {
                img2pdfTimes.push_back(Spawn(self, dir, img2pdfArgs, quiet).seconds);
            }
        }
        const double catRate = megabytes / Median(catTimes);
        const double writerRate = megabytes / Median(writerTimes);
        std::printf("cat        %7.3f s  %8.1f MB/s  peak %6ld KiB   (median of %d)\n", Median(catTimes), catRate,
                    catRss, rounds);
        std::printf("JpegsToPDF %7.3f s  %8.1f MB/s  peak %6ld KiB   ratio to cat %.3f (goal >= 0.9)\n",
                    Median(writerTimes), writerRate, writerRss, writerRate / catRate);
        if (img2pdf) {
            const double rate = megabytes / Median(img2pdfTimes);
            std::printf("img2pdf    %7.3f s  %8.1f MB/s  JpegsToPDF is %.2fx its throughput\n", Median(img2pdfTimes),
                        rate, writerRate / rate);
        } else {
            std::printf("img2pdf    not installed, not compared\n");
        }

        // Peak memory against the number of pages and the size of one page.
        const std::vector<std::string> tenPages(pages.begin(), pages.begin() + std::min<std::size_t>(10, pages.size()));
        std::vector<std::string> manyPages;
        while (manyPages.size() < 1000) {
            manyPages.insert(manyPages.end(), tenPages.begin(), tenPages.end());
        }
        const std::string large = EnsureLargePage(dir, pages.front(), std::uintmax_t{512} << 20);
        struct Shape {
            const char* name;
            std::vector<std::string> list;
        };
        for (const Shape& shape :
             {Shape{"10 pages", tenPages}, Shape{"1000 pages (10 files again and again)", manyPages},
              Shape{"1 page of 512 MiB", {large}}}) {
            std::vector<std::string> args{cli, "pdf", pdf};
            args.insert(args.end(), shape.list.begin(), shape.list.end());
            const RunResult r = Spawn(self, dir, args, quiet);
            fs::remove(pdf);
            std::printf("peak memory of JpegsToPDF, %-40s %6ld KiB\n", shape.name, r.maxRssKiB);
        }
        fs::remove(quiet);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "bench_jpeg2pdf: %s\n", e.what());
        return 1;
    }
    return 0;
}
