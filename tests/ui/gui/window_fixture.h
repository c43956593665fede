#pragma once

// What the window tests share: a program folder of their own, the maker's site and
// the set-top box answered on loopback, and a main window set up in that folder.

#include <memory>
#include <string>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QWidget>

#include <httplib.h>

#include "gui/main_window.h"
#include "support/loopback_servers.h"

namespace kalore::testing {

// A control of a window by its inventory name; a missing one ends the test program
// at once rather than crashing later on a null pointer.
template <typename T> T* FindControl(const QWidget& window, const char* name) {
    T* child = window.findChild<T*>(name);
    if (child == nullptr) {
        qFatal("no control %s", name);
    }
    return child;
}

// The maker's web services and the set-top box on 127.0.0.1, answering what the
// test sets.
class LoopbackWeb {
public:
    std::string Url() const { return server_.Url(); }

    std::string version = "11";
    std::string address = "lns-bzn-1-82.abo.wanadoo.fr\n";
    std::string playlist = "#EXTM3U\n";

private:
    HttpTestServer server_{[this](httplib::Server& routes) {
        routes.Get("/lastVersionForSoft", [this](const httplib::Request&, httplib::Response& r) {
            r.set_content(version, "text/plain");
        });
        routes.Get("/kaloregip.php", [this](const httplib::Request&, httplib::Response& r) {
            r.set_content(address, "text/plain");
        });
        routes.Get("/freeboxtv/playlist.m3u",
                   [this](const httplib::Request&, httplib::Response& r) {
                       r.set_content(playlist, "audio/x-mpegurl");
                   });
    }};
};

// A temporary folder made the process's working directory while it lives: the
// address answer file "ipGlobal" is written there, never into the build tree.
class WorkingDirectory {
public:
    WorkingDirectory() : previous_(QDir::currentPath()) { QDir::setCurrent(dir_.path()); }
    ~WorkingDirectory() { QDir::setCurrent(previous_); }
    QString Path() const { return dir_.path(); }
    QString File(const QString& name) const { return dir_.path() + "/" + name; }

private:
    QTemporaryDir dir_;
    QString previous_;
};

// A program folder with its data folder B, a settings file whose [Web] section
// points at the loopback services, and an autostart folder and a log folder of its own.
class ProgramFolder {
public:
    explicit ProgramFolder(const LoopbackWeb& web, const QByteArray& settings = DefaultSettings())
        : webUrl_(web.Url()) {
        QDir(dir_.path()).mkpath("B");
        QDir(dir_.path()).mkpath("RECORDS");
        QDir(dir_.path()).mkpath("autostart");
        Write("B/kalore.ini", settings + "[Web]\r\nsite=" + QByteArray::fromStdString(web.Url()) +
                                  "\r\nbox=" + QByteArray::fromStdString(web.Url()) + "\r\n");
    }
    static QByteArray DefaultSettings() {
        return "[Visual]\r\nlastRecordPath=\r\nvlcpath=\r\n[Connexion]\r\ninternetProvider=\r\n";
    }
    std::string Path() const { return dir_.path().toStdString() + "/"; }
    QString File(const QString& relative) const { return dir_.path() + "/" + relative; }
    void Write(const QString& relative, const QByteArray& bytes) const {
        QFile f(File(relative));
        f.open(QIODevice::WriteOnly | QIODevice::Truncate);
        f.write(bytes);
    }
    QByteArray Read(const QString& relative) const {
        QFile f(File(relative));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    MainWindowOptions Options() const {
        MainWindowOptions options;
        options.programFolder = Path();
        options.autostartFolder = File("autostart").toStdString();
        options.logFolder = File("state/kalore").toStdString();
        options.playerAvailable = [] {
            return true;
        };
        options.webDefaults.site = webUrl_;
        options.webDefaults.box = webUrl_;
        return options;
    }

private:
    QTemporaryDir dir_;
    std::string webUrl_;
};

} // namespace kalore::testing
