#pragma once
// One QApplication for the whole app test binary, made on first use. Widget tests call EnsureApplication()
// before creating any widget; the platform comes from QT_QPA_PLATFORM (CTest sets "offscreen").
#include <QApplication>

namespace apptest {

inline QApplication& EnsureApplication() {
    if (auto* existing = qobject_cast<QApplication*>(QCoreApplication::instance())) return *existing;
    static int argc = 1;
    static char name[] = "test_app";
    static char* argv[] = {name, nullptr};
    static QApplication application(argc, argv);
    return application;
}

} // namespace apptest
