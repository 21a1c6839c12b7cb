// Books that try to reach outside themselves, or to break a conversion, converted by quillmark-cli with their
// own scripts allowed: nothing leaves the book, and one bad chapter costs only itself.
#include "run_cli.h"
#include "support/hostile_books.h"
#include "support/jpeg_decode.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <thread>

namespace qm {
namespace {

namespace fs = std::filesystem;

// A listener on 127.0.0.1 that counts the TCP connections made to it and the UDP datagrams sent to its port.
class Listener {
public:
    Listener() {
        tcp_ = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        ::bind(tcp_, reinterpret_cast<sockaddr*>(&address), length);
        ::listen(tcp_, 16);
        ::getsockname(tcp_, reinterpret_cast<sockaddr*>(&address), &length);
        port_ = ntohs(address.sin_port);
        udp_ = ::socket(AF_INET, SOCK_DGRAM, 0);
        EXPECT_EQ(::bind(udp_, reinterpret_cast<sockaddr*>(&address), length), 0) << "UDP port " << port_;
        thread_ = std::thread([this] {
            while (!stopping_) {
                pollfd waiting[] = {{tcp_, POLLIN, 0}, {udp_, POLLIN, 0}};
                if (::poll(waiting, 2, 50) <= 0) {
                    continue;
                }
                if (waiting[0].revents & POLLIN) {
                    const int client = ::accept(tcp_, nullptr, nullptr);
                    if (client >= 0) {
                        ++calls_;
                        ::close(client);
                    }
                }
                if (waiting[1].revents & POLLIN) {
                    char datagram[2048];
                    if (::recv(udp_, datagram, sizeof datagram, 0) >= 0) {
                        ++calls_;
                    }
                }
            }
        });
    }
    ~Listener() {
        stopping_ = true;
        thread_.join();
        ::close(tcp_);
        ::close(udp_);
    }
    int Port() const { return port_; }
    int Calls() const { return calls_; }

private:
    int tcp_ = -1;
    int udp_ = -1;
    int port_ = 0;
    std::atomic<int> calls_{0};
    std::atomic<bool> stopping_{false};
    std::thread thread_;
};

// Ends the page processes (Chromium's renderers) among the descendants of `pid`.
void KillRenderers(int pid) {
    for (const auto& entry : fs::directory_iterator("/proc")) {
        const std::string name = entry.path().filename().string();
        if (name.find_first_not_of("0123456789") != std::string::npos) {
            continue;
        }
        std::ifstream commandLine(entry.path() / "cmdline");
        const std::string command((std::istreambuf_iterator<char>(commandLine)), std::istreambuf_iterator<char>());
        if (command.find("--type=renderer") == std::string::npos) {
            continue;
        }
        // The process is ours when one of its ancestors is.
        for (int ancestor = std::stoi(name); ancestor > 1;) {
            if (ancestor == pid) {
                ::kill(std::stoi(name), SIGKILL);
                break;
            }
            std::ifstream status("/proc/" + std::to_string(ancestor) + "/status");
            std::string line;
            int parent = 0;
            while (std::getline(status, line)) {
                if (line.rfind("PPid:", 0) == 0) {
                    parent = std::stoi(line.substr(5));
                }
            }
            ancestor = parent;
        }
    }
}

TEST(CliConfinement, EveryBookKeepsToItselfAndABadChapterCostsOnlyItself) {
    test::TempDir dir;
    Listener listener;
    const std::string secret = (dir / "secret.html").string();
    test::WriteSecretPage(secret);
    for (const test::HostileBook& book : test::WriteHostileBooks(dir.path().string(), secret, listener.Port())) {
        const fs::path out = dir / book.name;
        fs::create_directories(out);
        const auto started = std::chrono::steady_clock::now();
        const int pid =
            test::StartCli(dir, {"convert", book.path, (out / "page.jpg").string(), "--scripts", "--timeout", "4"});
        if (book.crashAtChapter > 0) {
            const std::string marker = "chapter " + std::to_string(book.crashAtChapter) + " of";
            const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
            while (test::ReadFile(test::ErrorPath(dir)).find(marker) == std::string::npos &&
                   std::chrono::steady_clock::now() < deadline) {
                std::this_thread::sleep_for(std::chrono::milliseconds(2));
            }
            KillRenderers(pid);
        }
        const test::CliResult result = test::FinishCli(pid, dir);
        if (book.refusedAtOnce) {
            EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(4)) << book.name;
        }

        // A conversion with a chapter missing is written under the incomplete name, never under the chosen one.
        const bool complete = fs::exists(out / "page1.jpg") || fs::exists(out / "page2.jpg");
        const std::string base = complete ? "page" : "page.incomplete";
        std::vector<int> missing;
        for (int row = 1; row <= book.chapters; ++row) {
            const fs::path page = out / (base + std::to_string(row) + ".jpg");
            if (!fs::exists(page)) {
                missing.push_back(row);
                EXPECT_NE(result.err.find("(row " + std::to_string(row) + ") has no page"), std::string::npos)
                    << book.name << ": " << result.err;
                continue;
            }
            const test::DecodedJpeg image = test::DecodeJpeg(page);
            EXPECT_TRUE(test::NearColour(image.Pixel(10, 10), test::kChapterColour)) << book.name << " row " << row;
            for (int y = 0; y < image.height; y += 9) {
                for (int x = 0; x < image.width; x += 9) {
                    ASSERT_FALSE(test::NearColour(image.Pixel(x, y), test::kSecretColour, 40)) << book.name;
                }
            }
        }
        if (!(book.mayMiss && missing.empty())) {
            EXPECT_EQ(missing, book.missingRows) << book.name << ": " << result.err;
        }
        EXPECT_EQ(complete, missing.empty()) << book.name;
        EXPECT_EQ(result.exitCode, missing.empty() ? 0 : 1) << book.name << ": " << result.err;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    EXPECT_EQ(listener.Calls(), 0);
}

} // namespace
} // namespace qm
