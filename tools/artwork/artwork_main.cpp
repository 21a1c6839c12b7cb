// quillmark-artwork: paints the window's pictures.
//
//   quillmark-artwork OUTPUT_FOLDER NAME...
//
// writes OUTPUT_FOLDER/NAME.png for every NAME: a title piece, frame piece or separator, a button's state
// picture (ImageOpenEnter), "quillmark" for the application icon in the window, or "quillmark-SIZE" for the
// icon at SIZE pixels square (the sizes of the installed icon theme). An unknown name is an error, so the
// build's list of pictures and this painter cannot drift apart.

#include "app_icon.h"
#include "button_art.h"
#include "frame_art.h"

#include <QDir>
#include <QGuiApplication>
#include <QImage>

#include <cstdio>

namespace {

constexpr int kAppIconSize = 256;

QImage Paint(const QString& name) {
    if (name == "quillmark") {
        return qm::art::PaintAppIcon(kAppIconSize);
    }
    if (name.startsWith("quillmark-")) {
        bool isNumber = false;
        const int size = name.mid(10).toInt(&isNumber);
        return isNumber && size >= 16 && size <= 1024 ? qm::art::PaintAppIcon(size) : QImage();
    }
    if (QImage picture = qm::art::PaintFramePicture(name); !picture.isNull()) {
        return picture;
    }
    return qm::art::PaintButtonPicture(name);
}

} // namespace

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    if (args.size() < 3) {
        std::fprintf(stderr, "usage: quillmark-artwork OUTPUT_FOLDER NAME...\n");
        return 2;
    }
    const QDir output(args[1]);
    if (!output.mkpath(".")) {
        std::fprintf(stderr, "quillmark-artwork: cannot create %s\n", qPrintable(args[1]));
        return 1;
    }
    for (const QString& name : args.mid(2)) {
        const QImage picture = Paint(name);
        if (picture.isNull()) {
            std::fprintf(stderr, "quillmark-artwork: no picture is called %s\n", qPrintable(name));
            return 1;
        }
        const QString path = output.filePath(name + ".png");
        if (!picture.save(path, "PNG")) {
            std::fprintf(stderr, "quillmark-artwork: cannot write %s\n", qPrintable(path));
            return 1;
        }
    }
    return 0;
}
