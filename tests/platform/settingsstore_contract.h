#pragma once

// What every SettingsStore promises, written once. A program runs it over a
// store with TYPE_TO_STRING(Storage) and
// TEST_CASE_TEMPLATE_INVOKE(settingsStoreContract, Storage), where Storage
// is constructed empty (and cleans up after itself) and gives
//   SettingsStore &store();                     the store under test
//   std::unique_ptr<SettingsStore> another();   a second one over the same
//                                               storage, as another process opens it
#include "platform/runtimeerror.h"
#include "platform/settingsstore.h"
#include "support/errorof.h"

#include <doctest/doctest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace kl::test::contract {

inline const std::string App = "KicklistContract", OtherApp = "KicklistContract2", None = "<none>";
// (Fields, not a tuple's bindings: clang 14 lets no lambda, CAPTURE's
// among them, use a structured binding.)
struct Value
{
    std::string section, key, text;
};
struct Name
{
    std::string app, section, key;
    std::string text() const { return app + "/" + section + "/" + key; }
};

// Names and texts a store must keep as they are: the characters its own
// format would take for syntax, other scripts, controls, nothing at all.
inline const std::vector<Value> OddValues{{"Sec", "Key", "plain"}, {"Sec", "Empty", ""},
    {"Sec", "Blanks", "  both ends\t "}, {"Sec", "Path", "C:\\Program Files\\a b\\"},
    {"Sec", "a=b;c\"d", "x = y ; \"q\", 'r' # s"}, {"Sec", "back\\slash/slash", "[Section]"},
    {"Sec", "Lines", "one\ntwo\r\nthree\r"}, {"Sec", "Controls", "\x01\x1f\x7f\a\v"},
    {"Sec", "Typed", "@ByteArray(x)"}, {"Sec", "At", "@home"}, {"Sec", "Percent", "%41 %% %"},
    {"セクション", "日本語のキー", "プログラム　キックリスト① 𠮷 😀"}, {"two words", "1", "x"},
    {"Sec", "Long", std::string(5000, 'x')}};

} // namespace kl::test::contract

TEST_CASE_TEMPLATE_DEFINE("the settings store's contract", Storage, settingsStoreContract)
{
    using namespace kl;
    using namespace kl::test::contract;
    Storage storage;
    SettingsStore &store = storage.store();
    // What a store opened after this one's commit reads.
    const auto committed = [&](const std::string &app, const std::string &section, const std::string &key) {
        store.commit();
        return storage.another()->GetSetting(app, section, key, None);
    };
    const auto read = [&](const std::string &app, const std::string &section, const std::string &key) {
        return store.GetSetting(app, section, key, None);
    };

    SUBCASE("what was saved reads back at once and, committed, in another store")
    {
        for (const Value &v : OddValues)
            store.SaveSetting(App, v.section, v.key, v.text);
        for (const Value &v : OddValues) {
            CAPTURE(v.key);
            CHECK(read(App, v.section, v.key) == v.text);
            CHECK(committed(App, v.section, v.key) == v.text);
        }
    }
    SUBCASE("what is missing reads as the default given, before and after a commit")
    {
        CHECK(store.GetSetting(App, "Sec", "Key", "") == "");
        CHECK(store.GetSetting(App, "Sec", "Key", "def") == "def");
        store.SaveSetting(App, "Sec", "Key", "v");
        for (const Name &n : std::vector<Name>{
                 {App, "Sec", "Other"}, {App, "Other", "Key"}, {OtherApp, "Sec", "Key"}, {App, "Sec", "Ke"}}) {
            CAPTURE(n.text());
            CHECK(read(n.app, n.section, n.key) == None);
            CHECK(committed(n.app, n.section, n.key) == None);
        }
    }
    SUBCASE("applications, sections and keys are kept apart; the last write wins")
    {
        const std::vector<std::pair<Name, std::string>> apart{
            {{App, "Sec", "1"}, "a"}, {{App, "Sec", "10"}, "b"}, {{App, "Sec2", "1"}, "c"}, {{App, "Se", "1"}, "d"},
            {{OtherApp, "Sec", "1"}, "e"}, {{App, "Sec2", "Key"}, "f"}, {{App, "Sec", "Key"}, "g"}};
        for (const auto &[n, text] : apart)
            store.SaveSetting(n.app, n.section, n.key, "overwritten"), store.SaveSetting(n.app, n.section, n.key, text);
        for (const auto &[name, text] : apart) {
            const Name &n = name;
            CAPTURE(n.text());
            CHECK(read(n.app, n.section, n.key) == text);
            CHECK(committed(n.app, n.section, n.key) == text);
        }
    }
    SUBCASE("names match without regard to letter case: one value, whichever spelling")
    {
        const std::string key = "the_quick_brown_fox_jumps_over_a_lazy_dog", KEY = "THE_QUICK_BROWN_FOX_JUMPS_OVER_A_LAZY_DOG";
        store.SaveSetting(App, "SetApp", key, "1");
        store.SaveSetting("KICKLISTCONTRACT", "SETAPP", KEY, "2");
        CHECK(read("kicklistcontract", "setapp", key) == "2");
        CHECK(committed("KickListContract", "SetAPP", "The_Quick_Brown_Fox_Jumps_Over_A_Lazy_Dog") == "2");
        store.DeleteSetting("kicklistCONTRACT", "setAPP", KEY);
        CHECK(read(App, "SetApp", key) == None);
        CHECK(committed(App, "SETAPP", KEY) == None);
    }
    SUBCASE("deleting removes the one key, committed or not; a missing key is an error")
    {
        for (const char *key : {"Gone", "Kept", "Empty"})
            store.SaveSetting(App, "Sec", key, key[0] == 'E' ? "" : key);
        store.commit();
        store.SaveSetting(App, "Sec", "Pending", "p");
        for (const char *key : {"Gone", "Pending", "Empty"}) {
            CAPTURE(key);
            store.DeleteSetting(App, "Sec", key);
            CHECK(read(App, "Sec", key) == None);
            CHECK(test::errorOf([&] { store.DeleteSetting(App, "Sec", key); }) == err::InvalidProcedureCall);
            CHECK(committed(App, "Sec", key) == None);
        }
        for (const Name &n : std::vector<Name>{{App, "Sec", "Missing"}, {App, "Nowhere", "Missing"}, {OtherApp, "Sec", "Missing"}}) {
            CAPTURE(n.text());
            CHECK(test::errorOf([&] { store.DeleteSetting(n.app, n.section, n.key); }) == err::InvalidProcedureCall);
        }
        CHECK(committed(App, "Sec", "Kept") == "Kept");
        store.SaveSetting(App, "Sec", "Gone", "back");
        CHECK(committed(App, "Sec", "Gone") == "back");
    }
    SUBCASE("an empty name is refused, and reads as the default; the store goes on")
    {
        for (const Name &n : std::vector<Name>{{App, "", "Key"}, {App, "Sec", ""}}) {
            CAPTURE(n.text());
            CHECK(test::errorOf([&] { store.SaveSetting(n.app, n.section, n.key, "v"); }) == err::InvalidProcedureCall);
            CHECK(test::errorOf([&] { store.DeleteSetting(n.app, n.section, n.key); }) == err::InvalidProcedureCall);
            CHECK(read(n.app, n.section, n.key) == None);
        }
        for (const auto &call : std::vector<std::function<void()>>{[&] { read("", "Sec", "Key"); },
                 [&] { store.SaveSetting("", "Sec", "Key", "v"); }, [&] { store.DeleteSetting("", "Sec", "Key"); }})
            CHECK(test::errorOf(call) == err::InvalidProcedureCall);
        store.SaveSetting(App, "Sec", "Key", "after");
        CHECK(committed(App, "Sec", "Key") == "after");
    }
    SUBCASE("a commit makes every pending write durable at once; with none pending it does nothing")
    {
        store.commit();
        store.commit();
        CHECK(read(App, "Sec", "Key") == None);
        store.commit();
        for (const std::string &app : {App, OtherApp})
            store.SaveSetting(app, "Sec", "Key", app);
        store.commit();
        const std::unique_ptr<SettingsStore> other = storage.another();
        CHECK(other->GetSetting(App, "Sec", "Key", None) == App);
        CHECK(other->GetSetting(OtherApp, "Sec", "Key", None) == OtherApp);
        other->commit();
        store.SaveSetting(App, "Sec", "Key", "next transaction");
        CHECK(committed(App, "Sec", "Key") == "next transaction");
    }
}
