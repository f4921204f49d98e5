#pragma once

#include <memory>

namespace kl {

class AppStore;
class DriveSystem;
class Face;
class Registry;
class Runtime;
class ResetCopy;
class StoreWatch;
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
    Face &face;
    // Tells when another process changed the store; nullptr: nothing does.
    StoreWatch *storeWatch = nullptr;
    // Keeps the list before the recovery dialog wipes it; nullptr: nothing does.
    ResetCopy *resetCopy = nullptr;
};

// The five windows, one instance each, created the first time anything
// touches them. A window unloaded (by its handlers or its close box) is
// created afresh, load handler included, at the next touch.
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
    std::unique_ptr<kl::main> m_main;
    std::unique_ptr<kl::Setup> m_setup;
    std::unique_ptr<kl::namechenge> m_namechenge;
    std::unique_ptr<kl::frmAbout> m_frmAbout;
    std::unique_ptr<kl::syori> m_syori;
};

} // namespace kl
