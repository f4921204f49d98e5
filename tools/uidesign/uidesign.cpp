// Build-time tool: reads the windows' Designer forms and writes the design
// table every face builds from (src/design/design.h), as C++ with no Qt, and
// the same table as JSON for the tests that drive the programs.
//   uidesign <output header> <output json> <form.ui>...
// Besides Designer's own properties, a form says in properties of its own
// what only a design needs: borderStyle, icon and position (its client area
// on the screen) on the window; kind on a control whose class does not tell
// it, cancel on the button Esc presses, fontFace, fontPoints and fontBold on
// a control with a font of its own, systemColour on a line.
#include "design/design.h"

#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>
#include <QStringList>
#include <QXmlStreamReader>

#include <cstdio>
#include <cstdlib>

namespace {

using kl::design::kTwipsPerPixel;

struct Widget
{
    QString kind, name, caption, tip;
    int left = 0, top = 0, width = 0, height = 0;
    bool isDefault = false, cancel = false;
    QString fontFace, fontPoints, fontBold, colour;
    QString border, icon; // the window's only
    bool placed = false;
    int x = 0, y = 0;
};

[[noreturn]] void fail(const QString &message)
{
    std::fprintf(stderr, "uidesign: %s\n", qPrintable(message));
    std::exit(1);
}

// A C++ string literal of the text, written out as UTF-8 with the header.
QString literal(const QString &text)
{
    QString out = QStringLiteral("\"");
    for (const QChar c : text) {
        if (c == u'"' || c == u'\\')
            out += u'\\';
        if (c.unicode() < 0x20)
            out += QStringLiteral("\\%1").arg(c.unicode(), 3, 8, QChar(u'0'));
        else
            out += c;
    }
    return out + u'"';
}

// The kinds Designer's classes stand for; any other control names its own.
QString kindOf(const QString &className)
{
    static const QHash<QString, QString> kinds{{QStringLiteral("QPushButton"), QStringLiteral("CommandButton")},
                                               {QStringLiteral("kl::qt::DesignLabel"), QStringLiteral("Label")},
                                               {QStringLiteral("QLineEdit"), QStringLiteral("TextBox")},
                                               {QStringLiteral("QListWidget"), QStringLiteral("ListBox")}};
    return kinds.value(className);
}

// Reads one <property>, the reader on its start, into the widget.
void readProperty(QXmlStreamReader &xml, Widget &w)
{
    const QString name = xml.attributes().value(QLatin1StringView("name")).toString();
    while (xml.readNextStartElement()) {
        const QString type = xml.name().toString();
        if (type == u"point") {
            QHash<QString, int> point;
            while (xml.readNextStartElement())
                point.insert(xml.name().toString(), xml.readElementText().toInt());
            w.placed = name == u"position";
            w.x = point.value(QStringLiteral("x"));
            w.y = point.value(QStringLiteral("y"));
            continue;
        }
        if (type == u"rect") {
            QHash<QString, int> rect;
            while (xml.readNextStartElement())
                rect.insert(xml.name().toString(), xml.readElementText().toInt());
            w.left = rect.value(QStringLiteral("x"));
            w.top = rect.value(QStringLiteral("y"));
            w.width = rect.value(QStringLiteral("width"));
            w.height = rect.value(QStringLiteral("height"));
            continue;
        }
        const QString value = xml.readElementText(QXmlStreamReader::IncludeChildElements);
        if (name == u"text" || name == u"windowTitle")
            w.caption = value;
        else if (name == u"toolTip")
            w.tip = value;
        else if (name == u"default")
            w.isDefault = value == u"true";
        else if (name == u"cancel")
            w.cancel = value == u"true";
        else if (name == u"kind")
            w.kind = value;
        else if (name == u"borderStyle")
            w.border = value;
        else if (name == u"icon")
            w.icon = value;
        else if (name == u"fontFace")
            w.fontFace = value;
        else if (name == u"fontPoints")
            w.fontPoints = value;
        else if (name == u"fontBold")
            w.fontBold = value;
        else if (name == u"systemColour")
            w.colour = value;
    }
}

// Reads a <widget>, the reader on its start: its properties, and its direct
// children into controls. Widgets inside a control are the face's own.
Widget readWidget(QXmlStreamReader &xml, QList<Widget> *controls)
{
    Widget w;
    w.name = xml.attributes().value(QLatin1StringView("name")).toString();
    w.kind = kindOf(xml.attributes().value(QLatin1StringView("class")).toString());
    while (xml.readNextStartElement()) {
        if (xml.name() == u"property")
            readProperty(xml, w);
        else if (xml.name() == u"widget" && controls)
            controls->append(readWidget(xml, nullptr));
        else
            xml.skipCurrentElement();
    }
    if (controls == nullptr && w.kind.isEmpty())
        fail(QStringLiteral("%1: no kind").arg(w.name));
    static const QStringList kinds{QStringLiteral("CommandButton"), QStringLiteral("Label"), QStringLiteral("TextBox"),
                                   QStringLiteral("ListBox"), QStringLiteral("DriveListBox"), QStringLiteral("DirListBox"),
                                   QStringLiteral("FileListBox"), QStringLiteral("PictureBox"), QStringLiteral("Line")};
    if (controls == nullptr && !kinds.contains(w.kind))
        fail(QStringLiteral("%1: unknown kind %2").arg(w.name, w.kind));
    return w;
}

// What every face relies on, so that a form that breaks it never builds:
// commands are routed by name, Tab walks the tab stops, Enter and Esc press
// at most one button each.
void check(const QString &path, const Widget &window, const QList<Widget> &controls, const QStringList &tabStops)
{
    const auto wrong = [&path](const QString &name, const char *what) {
        fail(path + u' ' + name + QStringLiteral(": ") + QLatin1StringView(what));
    };
    if (window.width <= 0 || window.height <= 0)
        wrong(window.name, "no client size");
    if (!QStringList{QStringLiteral("FixedSingle"), QStringLiteral("FixedDialog"), QStringLiteral("FixedToolWindow")}
             .contains(window.border))
        wrong(window.name, "unknown borderStyle");
    if (window.icon != u"true" && window.icon != u"false")
        wrong(window.name, "icon is neither true nor false");
    QStringList names;
    int defaults = 0, cancels = 0;
    for (const Widget &c : controls) {
        if (names.contains(c.name))
            wrong(c.name, "name given twice");
        names.append(c.name);
        if (c.left < 0 || c.top < 0 || c.width <= 0 || c.height <= 0)
            wrong(c.name, "place or size");
        if ((c.isDefault || c.cancel) && c.kind != u"CommandButton")
            wrong(c.name, "default or cancel on what is not a button");
        if (tabStops.contains(c.name) && (c.kind == u"Label" || c.kind == u"Line"))
            wrong(c.name, "a label or line in the tab order");
        bool points = true;
        if ((!c.fontPoints.isEmpty() || !c.fontBold.isEmpty())
            && (c.fontFace.isEmpty() || c.fontPoints.toDouble(&points) <= 0 || !points))
            wrong(c.name, "a font needs fontFace and fontPoints above 0");
        if (!c.colour.isEmpty() && c.kind != u"Line")
            wrong(c.name, "systemColour on what is not a line");
        if (!c.colour.isEmpty() && c.colour != u"ButtonShadow" && c.colour != u"ButtonHighlight")
            wrong(c.name, "unknown systemColour");
        defaults += c.isDefault, cancels += c.cancel;
    }
    if (defaults > 1 || cancels > 1)
        wrong(window.name, "more than one default or cancel button");
    for (const QString &stop : tabStops)
        if (tabStops.count(stop) > 1 || !names.contains(stop))
            wrong(stop, "a tab stop given twice or naming no control");
}

QString twips(int pixels)
{
    return QString::number(pixels * kTwipsPerPixel);
}

// The design of one form, as C++ into out and as JSON into windows: its
// controls, their identifiers (a wrong name fails to compile), the window.
void design(const QString &path, QString &out, QJsonObject &windows)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        fail(path + QStringLiteral(": ") + file.errorString());
    QXmlStreamReader xml(&file);
    Widget window;
    QList<Widget> controls;
    QStringList tabStops;
    if (xml.readNextStartElement() && xml.name() == u"ui") {
        while (xml.readNextStartElement()) {
            if (xml.name() == u"widget")
                window = readWidget(xml, &controls);
            else if (xml.name() == u"tabstops")
                while (xml.readNextStartElement())
                    tabStops.append(xml.readElementText());
            else
                xml.skipCurrentElement();
        }
    }
    if (xml.hasError())
        fail(path + QStringLiteral(": ") + xml.errorString());
    if (window.border.isEmpty() || window.icon.isEmpty())
        fail(path + QStringLiteral(": the window needs borderStyle and icon"));
    check(path, window, controls, tabStops);

    // Joined, not formatted: a caption may hold a %1 of its own.
    const auto flag = [](bool on) { return on ? QStringLiteral("true") : QStringLiteral("false"); };
    const auto join = [](const QStringList &fields) { return u'{' + fields.join(QStringLiteral(", ")) + u'}'; };
    QString ids;
    QJsonObject places;
    out += QStringLiteral("inline constexpr Control ") + window.name + QStringLiteral("Controls[] = {\n");
    for (qsizetype i = 0; i < controls.size(); ++i) {
        const Widget &c = controls.at(i);
        const qsizetype tab = tabStops.indexOf(c.name);
        out += QStringLiteral("    ")
            + join({literal(c.name), literal(c.caption), QStringLiteral("Kind::") + c.kind, twips(c.left), twips(c.top),
                    twips(c.width), twips(c.height), tab < 0 ? QStringLiteral("kNoTab") : QString::number(tab),
                    literal(c.tip),
                    join({literal(c.fontFace), c.fontPoints.isEmpty() ? QStringLiteral("0") : c.fontPoints,
                          flag(c.fontBold == u"true")}),
                    QStringLiteral("SystemColour::") + (c.colour.isEmpty() ? QStringLiteral("None") : c.colour),
                    flag(c.isDefault), flag(c.cancel)})
            + QStringLiteral(",\n");
        ids += QStringLiteral("inline constexpr const Control &") + c.name + QStringLiteral(" = ") + window.name
            + QStringLiteral("Controls[%1];\n").arg(i);
        const int t = kTwipsPerPixel;
        places.insert(c.name, QJsonArray{c.left * t, c.top * t, c.width * t, c.height * t});
    }
    out += QStringLiteral("};\ninline constexpr Window ") + window.name
        + join({literal(window.name), literal(window.caption), twips(window.width), twips(window.height),
                QStringLiteral("Border::") + window.border, window.icon, window.name + QStringLiteral("Controls"),
                flag(window.placed), twips(window.x), twips(window.y)})
        + QStringLiteral(";\nnamespace controls::") + window.name + QStringLiteral(" {\n") + ids
        + QStringLiteral("} // namespace controls::") + window.name + QStringLiteral("\n\n");
    windows.insert(window.name, QJsonObject{
                                    {QStringLiteral("caption"), window.caption},
                                    {QStringLiteral("width"), window.width * kTwipsPerPixel},
                                    {QStringLiteral("height"), window.height * kTwipsPerPixel},
                                    {QStringLiteral("controls"), places},
                                });
}

void write(const QString &path, const QByteArray &data)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(data) < 0 || !file.commit())
        fail(path + QStringLiteral(": ") + file.errorString());
}

} // namespace

int main(int argc, char *argv[])
{
    QStringList args;
    for (int i = 0; i < argc; ++i)
        args.append(QFile::decodeName(argv[i]));
    if (args.size() < 4)
        fail(QStringLiteral("usage: uidesign <output header> <output json> <form.ui>..."));
    QString out = QStringLiteral("// Written by uidesign from the Designer forms when building: edit the forms.\n"
                                 "#pragma once\n\n#include \"design/design.h\"\n\nnamespace kl::design::windows {\n\n");
    QJsonObject windows;
    QStringList all;
    for (const QString &path : args.mid(3)) {
        design(path, out, windows);
        all.append(u'&' + QFileInfo(path).completeBaseName());
    }
    out += QStringLiteral("inline constexpr const Window *all[] = {") + all.join(QStringLiteral(", ")) + QStringLiteral("};\n\n");
    out += QStringLiteral("} // namespace kl::design::windows\n");
    write(args.at(1), out.toUtf8());
    const QJsonObject data{{QStringLiteral("twipsPerPixel"), kTwipsPerPixel}, {QStringLiteral("windows"), windows}};
    write(args.at(2), QJsonDocument(data).toJson());
    return 0;
}
