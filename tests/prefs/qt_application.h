// One QApplication for a GoogleTest program, made on first use.
#pragma once

#include <QApplication>

namespace prefs::testing {

inline void EnsureApplication()
{
    static int argc = 1;
    static char name[] = "prefs_test";
    static char* argv[] = {name, nullptr};
    if (!QApplication::instance())
        new QApplication(argc, argv);
}

}  // namespace prefs::testing
