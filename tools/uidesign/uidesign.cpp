// Build-time tool: reads the windows' Designer forms and writes the design
// table every face builds from (src/design/design.h), as C++ with no Qt.
//   uidesign <output header> <form.ui>...
// Besides Designer's own properties, a form says in properties of its own
// what only a design needs: borderStyle and icon on the window, kind on a
// control whose class does not tell it, cancel on the button Esc presses.
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QSaveFile>
#include <QStringList>
#include <QXmlStreamReader>

#include <cstdio>
#include <cstdlib>

namespace {

constexpr int kTwipsPerPixel = 15;

struct Widget {
    QString kind, name, caption, tip;
    int left = 0, top = 0, width = 0, height = 0;
    bool isDefault = false, cancel = false;
    QString border, icon; // the window's only
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

// The design of one form, as C++: its controls, then the window.
QString design(const QString &path)
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
    QString out = QStringLiteral("inline constexpr Control ") + window.name + QStringLiteral("Controls[] = {\n");
    for (const Widget &c : controls) {
        const qsizetype tab = tabStops.indexOf(c.name);
        out += QStringLiteral("    {")
            + QStringList{QStringLiteral("Kind::") + c.kind, literal(c.name), literal(c.caption), twips(c.left),
                          twips(c.top), twips(c.width), twips(c.height),
                          tab < 0 ? QStringLiteral("kNoTab") : QString::number(tab), literal(c.tip),
                          flag(c.isDefault), flag(c.cancel)}
                  .join(QStringLiteral(", "))
            + QStringLiteral("},\n");
    }
    return out + QStringLiteral("};\ninline constexpr Window ") + window.name + u'{'
        + QStringList{literal(window.name), literal(window.caption), twips(window.width), twips(window.height),
                      QStringLiteral("Border::") + window.border, window.icon, window.name + QStringLiteral("Controls")}
              .join(QStringLiteral(", "))
        + QStringLiteral("};\n\n");
}

} // namespace

int main(int argc, char *argv[])
{
    QStringList args;
    for (int i = 0; i < argc; ++i)
        args.append(QFile::decodeName(argv[i]));
    if (args.size() < 3)
        fail(QStringLiteral("usage: uidesign <output header> <form.ui>..."));
    QString out = QStringLiteral("// Written by uidesign from the Designer forms when building: edit the forms.\n"
                                 "#pragma once\n\n#include \"design/design.h\"\n\nnamespace kl::design::windows {\n\n");
    QStringList all;
    for (const QString &path : args.mid(2)) {
        out += design(path);
        all.append(u'&' + QFileInfo(path).completeBaseName());
    }
    out += QStringLiteral("inline constexpr const Window *all[] = {") + all.join(QStringLiteral(", ")) + QStringLiteral("};\n\n");
    out += QStringLiteral("} // namespace kl::design::windows\n");
    QSaveFile header(args.at(1));
    if (!header.open(QIODevice::WriteOnly) || header.write(out.toUtf8()) < 0 || !header.commit())
        fail(args.at(1) + QStringLiteral(": ") + header.errorString());
    return 0;
}
