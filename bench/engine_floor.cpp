// The engine's floor for a conversion: what the same browser engine, in the same offscreen set-up, needs at
// the least to draw every chapter of a book as a page, with nothing of Quillmark's own capture around it.
//
//   bench_engine_floor [--jobs N] [--width W] [--reader-viewport] BOOK.epub
//
// The book is unpacked as quillmark-cli does it, then N processes (1 by default) share the chapters round the
// processes in turn. Each one has one view, and per chapter: loads the file (in a view of the last page's size,
// or with --reader-viewport in the W x 600 viewport a reader sees, where the conversion lays every chapter out
// first; a page styled by the viewport's shape is then laid out twice), runs one script that measures
// the page and puts a one-pixel marker line at the foot of the viewport, resizes the view to the page's height
// (up to a tile of 4,096 rows) and waits for the first drawn frame that shows the marker at its new foot; each
// further tile costs one script (scroll, new marker colour) and its first fresh frame. Frames are grabbed only
// when the view has drawn one (after each render of its scene). No file is written, nothing is encoded.
//
// Prints "chapters N" on success; the benchmark times the whole process.
#include "book/book_paths.h"
#include "book/open_book.h"
#include "book/string_fields.h"
#include "cli/private_folders.h"
#include "platform/qt/offscreen_environment.h"
#include "view/chapter_display.h"

#include <QApplication>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QImage>
#include <QQuickWidget>
#include <QQuickWindow>
#include <QTimer>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QWebEngineScript>
#include <QWebEngineSettings>
#include <QWebEngineView>

#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

constexpr int kTileRows = 4096;
constexpr int kViewHeight = 600;
constexpr int kWaitMs = 20000;

// Runs the event loop until `done` holds; false when it did not within kWaitMs.
template <typename Condition>
bool WaitUntil(Condition done) {
    bool late = false;
    QTimer limit;
    limit.setSingleShot(true);
    QObject::connect(&limit, &QTimer::timeout, [&] { late = true; });
    limit.start(kWaitMs);
    while (!done() && !late) {
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    return done();
}

QVariant RunScript(QWebEnginePage& page, const QString& script) {
    QVariant answer;
    bool answered = false;
    page.runJavaScript(script, QWebEngineScript::ApplicationWorld, [&](const QVariant& value) {
        answer = value;
        answered = true;
    });
    if (!WaitUntil([&] { return answered; })) {
        std::fprintf(stderr, "a script got no answer\n");
        std::exit(1);
    }
    return answer;
}

// Draws each chapter file once; false when one did not load or draw.
bool DrawChapters(int width, bool readerViewport, const std::vector<std::string>& files) {
    QWebEngineProfile profile;
    profile.setHttpCacheType(QWebEngineProfile::NoCache);
    QWebEngineView view;
    auto* page = new QWebEnginePage(&profile, &view);
    page->settings()->setAttribute(QWebEngineSettings::JavascriptEnabled, false);
    page->settings()->setAttribute(QWebEngineSettings::LocalContentCanAccessFileUrls, true);
    view.setPage(page);
    view.resize(width, kViewHeight);
    view.show();
    bool loaded = false;
    bool loadOk = false;
    QObject::connect(page, &QWebEnginePage::loadFinished, [&](bool ok) {
        loaded = true;
        loadOk = ok;
    });
    int colour = 0;
    for (const std::string& file : files) {
        loaded = false;
        if (readerViewport) {
            view.resize(width, kViewHeight);
        }
        page->load(QUrl::fromLocalFile(QString::fromStdString(file)));
        if (!WaitUntil([&] { return loaded; }) || !loadOk) {
            std::fprintf(stderr, "%s did not load\n", file.c_str());
            return false;
        }
        const QString marker =
            "var m=document.getElementById('floor-marker');if(!m){m=document.createElement('div');m.id="
            "'floor-marker';m.style.cssText='position:fixed;left:0;right:0;bottom:0;height:1px;z-index:2147483647';"
            "document.documentElement.appendChild(m);}m.style.background='rgb(%1,0,0)';";
        const int height = RunScript(*page, "(function(){" + marker.arg(++colour % 200 + 40) +
                                                "var r=document.documentElement,b=document.body;"
                                                "return Math.max(r.scrollHeight,b?b.scrollHeight:0);})()")
                               .toInt();
        const int rows = std::min(std::max(height, kViewHeight), kTileRows) + 1;
        view.resize(width, rows);
        auto* render = view.findChild<QQuickWidget*>();
        for (int top = 0;; top += kTileRows) {
            const int red = colour % 200 + 40;
            bool fresh = false;
            auto look = [&] {
                const QImage frame = render->grabFramebuffer();
                fresh = frame.height() == rows && qRed(frame.pixel(width / 2, rows - 1)) == red &&
                        qGreen(frame.pixel(width / 2, rows - 1)) == 0;
            };
            look();
            const QMetaObject::Connection drawn = QObject::connect(render->quickWindow(), &QQuickWindow::afterRendering,
                                                                   render, look, Qt::QueuedConnection);
            const bool shown = WaitUntil([&] { return fresh; });
            QObject::disconnect(drawn);
            if (!shown) {
                std::fprintf(stderr, "%s: no fresh frame\n", file.c_str());
                return false;
            }
            if (top + kTileRows >= height) {
                break;
            }
            RunScript(*page,
                      "window.scrollTo(0," + QString::number(top + kTileRows) + ");" + marker.arg(++colour % 200 + 40));
        }
    }
    return true;
}

int Worker(int argc, char** argv) {
    const int width = std::atoi(argv[2]);
    const bool readerViewport = std::string(argv[3]) == "reader";
    std::vector<std::string> files(argv + 4, argv + argc);
    int qtArgc = 1;
    // The engine's notes on the offscreen platform are not the benchmark's business.
    qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString&) {});
    QApplication app(qtArgc, argv);
    return DrawChapters(width, readerViewport, files) ? 0 : 1;
}

} // namespace

int main(int argc, char** argv) {
    if (argc >= 4 && std::string(argv[1]) == "--worker") {
        return Worker(argc, argv);
    }
    int jobs = 1;
    int width = 800;
    bool readerViewport = false;
    std::string book;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--jobs" && i + 1 < argc) {
            jobs = std::max(1, std::atoi(argv[++i]));
        } else if (arg == "--width" && i + 1 < argc) {
            width = std::max(1, std::atoi(argv[++i]));
        } else if (arg == "--reader-viewport") {
            readerViewport = true;
        } else {
            book = arg;
        }
    }
    if (book.empty()) {
        std::fprintf(stderr, "usage: bench_engine_floor [--jobs N] [--width W] [--reader-viewport] BOOK.epub\n");
        return 2;
    }
    const qm::cli::PrivateFolders folders;
    qm::ReaderState state;
    qm::TableOfContents toc;
    qm::BookDocuments documents;
    try {
        qm::OpenBook(book, folders.working(), state, toc, documents);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "%s\n", error.what());
        return 1;
    }
    // The files the conversion shows, in its order and under its names.
    std::vector<std::vector<std::string>> shares(static_cast<std::size_t>(jobs));
    int chapters = 0;
    for (std::int32_t row = 1; row < toc.RowCount(); ++row) {
        const std::string chapter = qm::Trim(toc.Cell(2, row));
        if (chapter.empty()) {
            continue;
        }
        const std::string source = state.subTempDir + qm::PercentDecode(qm::SplitChapterLink(chapter).file);
        const std::string target = qm::ShownPath(source, qm::DocumentTypeOf(source, ""));
        std::rename(source.c_str(), target.c_str());
        shares[static_cast<std::size_t>(chapters++ % jobs)].push_back(target);
    }
    qm::PrepareOffscreenEnvironment(folders.root());
    std::vector<pid_t> workers;
    const std::string widthText = std::to_string(width);
    for (const std::vector<std::string>& files : shares) {
        if (files.empty()) {
            continue;
        }
        std::vector<const char*> args{"/proc/self/exe", "--worker", widthText.c_str(),
                                      readerViewport ? "reader" : "last"};
        for (const std::string& file : files) {
            args.push_back(file.c_str());
        }
        args.push_back(nullptr);
        const pid_t pid = fork();
        if (pid == 0) {
            execv(args[0], const_cast<char* const*>(args.data()));
            _exit(127);
        }
        workers.push_back(pid);
    }
    bool ok = true;
    for (const pid_t pid : workers) {
        int status = 0;
        waitpid(pid, &status, 0);
        ok = ok && WIFEXITED(status) && WEXITSTATUS(status) == 0;
    }
    if (ok) {
        std::printf("chapters %d\n", chapters);
    }
    return ok ? 0 : 1;
}
