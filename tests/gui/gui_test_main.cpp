#include "gui_test_main.h"

#include <QDir>
#include <QTemporaryDir>

#include <cstdlib>
#include <memory>
#include <stdexcept>

namespace qm::test {

namespace {

QTemporaryDir& PrivateRoot() {
    static QTemporaryDir root(QDir::tempPath() + "/quillmark-gui-test-XXXXXX");
    return root;
}

void SetDefault(const char* name, const char* value) {
    setenv(name, value, 0);
}

void SetFolder(const char* name, const QString& path) {
    if (!QDir().mkpath(path)) {
        throw std::runtime_error("cannot create the test folder " + path.toStdString());
    }
    setenv(name, QFile::encodeName(path).constData(), 1);
}

} // namespace

void PrepareGuiTestEnvironment() {
    QTemporaryDir& root = PrivateRoot();
    if (!root.isValid()) {
        throw std::runtime_error("cannot create a private folder for the test");
    }
    SetDefault("QT_QPA_PLATFORM", "offscreen");
    SetDefault("QT_QUICK_BACKEND", "software");
    SetDefault("QTWEBENGINE_DISABLE_SANDBOX", "1");
    SetDefault("QT_LOGGING_RULES", "qt.webenginecontext.info=false;qt.webenginecontext.debug=false");
    SetFolder("XDG_RUNTIME_DIR", root.filePath("runtime"));
    QFile::setPermissions(root.filePath("runtime"), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    SetFolder("HOME", root.filePath("home"));
    SetFolder("XDG_CACHE_HOME", root.filePath("cache"));
    SetFolder("XDG_CONFIG_HOME", root.filePath("config"));
    FreshDataHome();
}

QString FreshDataHome() {
    static int count = 0;
    const QString path = PrivateRoot().filePath(QString("data-%1").arg(++count));
    SetFolder("XDG_DATA_HOME", path);
    return path;
}

} // namespace qm::test
