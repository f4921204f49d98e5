// What both faces take from the design table of the real forms: controls
// found by name, Tab walking every tab stop once, and the JSON copy the
// whole-program tests click from showing the same windows in the same places.
#define DOCTEST_CONFIG_IMPLEMENT_WITH_MAIN
#include <doctest/doctest.h>

#include "design/windows.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <algorithm>
#include <numeric>
#include <set>
#include <string>
#include <vector>

using namespace kl::design;

TEST_CASE("every control has a name of its own in its window; the tab order is 0, 1, 2 ... once each")
{
    for (const Window *w : windows::all) {
        const std::string window = std::string(w->name);
        CAPTURE(window);
        std::set<std::string_view> names;
        std::vector<int> tabs;
        for (const Control &c : w->controls) {
            CHECK_MESSAGE((!c.name.empty() && names.insert(c.name).second), std::string(c.name));
            if (c.tabIndex != kNoTab)
                tabs.push_back(c.tabIndex);
        }
        std::vector<int> walk(tabs.size());
        std::iota(walk.begin(), walk.end(), 0);
        std::ranges::sort(tabs);
        CHECK(tabs == walk);
    }
}

TEST_CASE("windows.json holds the table's windows, sizes and controls' places")
{
    QFile file(QStringLiteral(DESIGN_JSON));
    REQUIRE(file.open(QIODevice::ReadOnly));
    const QJsonObject data = QJsonDocument::fromJson(file.readAll()).object();
    CHECK(data[QStringLiteral("twipsPerPixel")].toInt() == kTwipsPerPixel);
    const QJsonObject json = data[QStringLiteral("windows")].toObject();
    CHECK(json.size() == qsizetype(std::size(windows::all)));
    for (const Window *w : windows::all) {
        const std::string name(w->name);
        CAPTURE(name);
        const QJsonObject window = json[QString::fromStdString(name)].toObject();
        CHECK(window[QStringLiteral("width")].toInt() == w->width);
        CHECK(window[QStringLiteral("height")].toInt() == w->height);
        const QJsonObject places = window[QStringLiteral("controls")].toObject();
        CHECK(places.size() == qsizetype(w->controls.size()));
        for (const Control &c : w->controls)
            CHECK_MESSAGE((places[QString::fromUtf8(c.name)].toArray() == QJsonArray{c.left, c.top, c.width, c.height}), std::string(c.name));
    }
}
