#include "platform/qt/desktop_shell.h"

#include <QDesktopServices>
#include <QUrl>

#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace qm {

DesktopShell::DesktopShell() {
    int ends[2];
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, ends) != 0) {
        return;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, ends[1], STDIN_FILENO);
    // One URL a line (percent-encoded, so never with a line break of its own); each opened in the background.
    char shell[] = "/bin/sh";
    char option[] = "-c";
    char loop[] = "while IFS= read -r target; do xdg-open \"$target\" >/dev/null 2>&1 & done";
    char* argv[] = {shell, option, loop, nullptr};
    if (::posix_spawn(&openerPid_, shell, &actions, nullptr, argv, environ) == 0) {
        opener_ = ends[0];
    } else {
        openerPid_ = -1;
        ::close(ends[0]);
    }
    posix_spawn_file_actions_destroy(&actions);
    ::close(ends[1]);
}

DesktopShell::~DesktopShell() {
    if (opener_ >= 0) {
        // The loop ends when its input does; the pages it opened stay open.
        ::close(opener_);
        ::waitpid(openerPid_, nullptr, 0);
    }
}

void DesktopShell::OpenFolder(const std::string& folder) {
    Open(QUrl::fromLocalFile(QString::fromStdString(folder)).toEncoded().toStdString());
}

void DesktopShell::OpenFile(const std::string& file) {
    Open(QUrl::fromLocalFile(QString::fromStdString(file)).toEncoded().toStdString());
}

void DesktopShell::OpenPage(const std::string& url) {
    Open(QUrl(QString::fromStdString(url)).toEncoded().toStdString());
}

void DesktopShell::Open(const std::string& encodedUrl) {
    const std::string line = encodedUrl + "\n";
    if (opener_ >= 0 && encodedUrl.find('\n') == std::string::npos &&
        ::send(opener_, line.data(), line.size(), MSG_NOSIGNAL) == static_cast<ssize_t>(line.size())) {
        return;
    }
    QDesktopServices::openUrl(QUrl::fromEncoded(QByteArray::fromStdString(encodedUrl)));
}

} // namespace qm
