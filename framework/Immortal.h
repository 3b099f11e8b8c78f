// Immortal.h - CImmortal<T>, storage for a program-wide object that is built
// during start-up like any global but never destroyed at exit.
// Worker threads (a proxy connection still draining, a probe still waiting
// on its time-out) may outlive main(); the C runtime then runs the globals'
// destructors under them. Objects such threads touch live in CImmortal, so a
// late thread never meets a deleted lock or a freed string.
// Use: static CImmortal<CFoo> s_foo; CFoo& g_foo = s_foo.value;
#pragma once

template <typename T>
union CImmortal {
    T value;
    CImmortal() : value() {}
    ~CImmortal() {}
    CImmortal(const CImmortal&) = delete;
    CImmortal& operator=(const CImmortal&) = delete;
};
