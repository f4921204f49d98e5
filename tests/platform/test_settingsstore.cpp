// The settings stores' contract over the in-memory store the handlers' tests
// run on, so that what they learn from it holds for the real ones.
#include "platform/settingsstore_contract.h"
#include "support/std/fakes.h"

namespace {

struct FakeStorage
{
    kl::test::CallLog log;
    kl::test::FakeSettings settings{log};
    kl::SettingsStore &store() { return settings; }
    std::unique_ptr<kl::SettingsStore> another()
    {
        auto other = std::make_unique<kl::test::FakeSettings>(log);
        other->values = other->committed = settings.committed;
        return other;
    }
};

} // namespace

TYPE_TO_STRING(FakeStorage);
TEST_CASE_TEMPLATE_INVOKE(settingsStoreContract, FakeStorage);
