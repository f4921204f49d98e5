#pragma once

#include <QPointer>
#include <QString>

namespace kl {

class AppStore;
class DriveSystem;
class Registry;
class Runtime;
class main;
class Setup;
class namechenge;
class frmAbout;
class syori;

// What the windows need from outside them.
struct Platform
{
    Runtime &runtime;
    AppStore &store;
    DriveSystem &drives;
    Registry &registry;
    // The file that holds the store, which the list window follows as other
    // processes change it; empty: none to watch.
    QString storeFile;
};

// The five windows, one instance each, created the first time anything
// touches them. A window destroyed by Unload or its close box is created
// afresh, load handler included, at the next touch.
class Forms
{
public:
    explicit Forms(Platform platform);
    ~Forms();
    Forms(const Forms &) = delete;
    Forms &operator=(const Forms &) = delete;

    kl::main &main();
    kl::Setup &Setup();
    kl::namechenge &namechenge();
    kl::frmAbout &frmAbout();
    kl::syori &syori();

    // The loaded instance, or nullptr; touches nothing.
    kl::main *loadedMain() const;
    kl::Setup *loadedSetup() const;
    kl::namechenge *loadedNamechenge() const;
    kl::frmAbout *loadedFrmAbout() const;
    kl::syori *loadedSyori() const;

private:
    Platform m_platform;
    QPointer<kl::main> m_main;
    QPointer<kl::Setup> m_setup;
    QPointer<kl::namechenge> m_namechenge;
    QPointer<kl::frmAbout> m_frmAbout;
    QPointer<kl::syori> m_syori;
};

} // namespace kl
