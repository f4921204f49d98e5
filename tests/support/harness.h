#pragma once

#include "fakedrives.h"
#include "fakeregistry.h"
#include "fakes.h"
#include "modalanswer.h"

#include "platform/runtime.h"
#include "store/appstore.h"
#include "windows/forms.h"

namespace kl::test {

// The windows wired to recording fakes; one per test function, so nothing
// carries over between tests.
struct Harness
{
    CallLog log;
    FakeSettings settings{log};
    FakeStarter starter{log};
    ScriptedBoxes boxes{log};
    FakeProcess process{log};
    Runtime runtime{settings, starter, boxes, process};
    AppStore store{settings};
    FakeDrives drives;
    FakeRegistry registry{log};
    Forms forms{Platform{runtime, store, drives, registry, {}}};
    ModalAnswerer modals;

    // See endsInChild(): the calls of the child replace the log.
    bool ends(const std::function<void()> &action) { return endsInChild(log, action); }
};

} // namespace kl::test
