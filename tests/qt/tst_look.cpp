// The Qt windows against their one design, under each common Japanese face.
#define DOCTEST_CONFIG_IMPLEMENT
#include "qtharness.h"

#include "design/windows.h"

#include "qt/designlabel.h"
#include "qt/form.h"
#include "windows/Setup.h"
#include "windows/frmAbout.h"
#include "windows/namechenge.h"
#include "windows/syori.h"

#include <QComboBox>
#include <QFontDatabase>
#include <QLineEdit>
#include <QStyle>
#include <QStyleOptionComboBox>

#include <algorithm>

using namespace kl;
using namespace kl::test;
using kl::qt::DesignLabel;

namespace {

// The common Japanese faces, each as its Debian package installs it.
const QHash<QString, QStringList> kFaceFiles{
    {"IPAPGothic", {"opentype/ipafont-gothic/ipagp.ttf", "opentype/ipafont-gothic/ipag.ttf"}},
    {"Noto Sans CJK JP", {"opentype/noto/NotoSansCJK-Regular.ttc", "opentype/noto/NotoSansCJK-Bold.ttc"}},
    {"VL PGothic", {"truetype/vlgothic/VL-PGothic-Regular.ttf", "truetype/vlgothic/VL-Gothic-Regular.ttf"}},
    {"TakaoPGothic", {"truetype/takao-gothic/TakaoPGothic.ttf", "truetype/takao-gothic/TakaoGothic.ttf"}}};

// The program's boxes: title, text, buttons, then each way out tried (a
// button's name, Esc, Enter or the close box) with the answer it gives.
const struct Box { QString title, text, buttons; QList<std::pair<QString, int>> ways; } kBoxes[] = {
    {"登録", "起動するアプリケーションを登録してください。", "OK", {{"OK", 1}, {"esc", 1}, {"enter", 1}}},
    {"注意", "これ以上は登録できません。", "OK", {{"OK", 1}}},
    {"名前の変更", "名前を入力して下さい。", "OK", {{"OK", 1}}},
    {"アプリケーションの登録", "選択したアプリケーションを登録しますか？", "OK キャンセル",
     {{"OK", 1}, {"Cancel", 2}, {"esc", 2}, {"close", 2}, {"enter", 1}}},
    {"予期せぬエラー", "エラーナンバーを作成者に伝えてください。", "OK", {{"OK", 1}}},
    {"Kicklist", "現時点ではｼｽﾃﾑ情報を使用できません", "OK", {{"OK", 1}}}};

// The pixels of a grab: all, or only the outermost all round, where a focus frame shows.
QList<QRgb> pixels(QWidget *w, bool rimOnly = false)
{
    const QImage image = w->grab().toImage();
    QList<QRgb> result;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (!rimOnly || x == 0 || y == 0 || x == image.width() - 1 || y == image.height() - 1)
                result.append(image.pixel(x, y));
    return result;
}

// The controls of a window whose text does not fit the room its style gives it.
QStringList cutTexts(QWidget *window)
{
    QStringList cut;
    for (QWidget *w : window->findChildren<QWidget *>()) {
        const QFontMetrics fm = w->fontMetrics();
        const QString text = w->property("text").toString();
        QSize room(1 << 20, 1 << 20), needed;
        if (auto *label = qobject_cast<DesignLabel *>(w)) {
            // Whole when a copy in the same font with room to spare shows no more
            // ink (pixels dark enough to be text on the windows' light grey).
            const auto ink = [](QWidget *l) { return std::ranges::count_if(pixels(l), [](QRgb p) { return qGray(p) < 160; }); };
            DesignLabel roomy;
            roomy.setFont(label->drawnFont());
            roomy.setWordWrap(label->wordWrap());
            roomy.setAlignment(label->alignment());
            roomy.setText(text);
            roomy.resize(label->width() + (label->wordWrap() ? 0 : 400), label->height() + 400);
            needed.setHeight(ink(label) == ink(&roomy) ? 0 : room.height() + 1);
        } else if (auto *label = qobject_cast<QLabel *>(w); label && !text.isEmpty()) {
            room = label->contentsRect().size();
            needed = fm.boundingRect(label->contentsRect(), int(label->alignment()) | Qt::TextWordWrap, text).size();
        } else if (auto *button = qobject_cast<QPushButton *>(w)) {
            QStyleOptionButton option;
            option.initFrom(button);
            room = w->style()->subElementRect(QStyle::SE_PushButtonContents, &option, w).size();
            needed = fm.size(Qt::TextShowMnemonic, text);
        } else if (auto *combo = qobject_cast<QComboBox *>(w)) {
            QStyleOptionComboBox option;
            option.initFrom(combo);
            room = w->style()->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxEditField, w).size();
            needed = fm.size(0, combo->currentText());
        } else if (qobject_cast<QLineEdit *>(w)) {
            room.setHeight(w->height() - 2 * w->style()->pixelMetric(QStyle::PM_DefaultFrameWidth));
            needed = {0, fm.height()};
        }
        if (needed.width() > room.width() || needed.height() > room.height())
            cut.append(w->objectName());
    }
    return cut;
}

// The texts the windows' code shows on loading, in place of the design's.
const QHash<QString, QString> kLoaded{{"frmAbout", "キックリストのﾊﾞｰｼﾞｮﾝ情報"}, {"frmAbout.lblVersion", "ﾊﾞｰｼﾞｮﾝ 1.02"},
    {"frmAbout.lblTitle", "プログラムキックリスト"}, {"namechenge.whatname", "/opt/p1"}, {"namechenge.Text1", "Program 1"}};
// The Qt class that shows each kind of control, in the order of design::Kind.
const QStringList kClasses{"QPushButton", "kl::qt::DesignLabel", "QLineEdit", "QListWidget", "kl::qt::DesignComboBox", "QListWidget", "QListWidget", "QLabel", "QFrame"};

// A window or control: name, geometry in pixels, text, then the rest.
QString line(const QString &name, const QRect &g, const QString &text, const QStringList &rest)
{
    return QStringLiteral("%1 %2,%3 %4x%5 ").arg(name).arg(g.x()).arg(g.y()).arg(g.width()).arg(g.height()) + (QStringList{text} + rest).join(u'|');
}

// A window as its one design gives it, in pixels: each control with its
// class, tip, place in the tab order, and whether the default and the cancel
// button.
QStringList designed(const design::Window &d)
{
    const auto text = [](std::string_view s) { return QString::fromUtf8(s.data(), qsizetype(s.size())); };
    const auto px = [p = design::kTwipsPerPixel](int l, int t, int w, int h) { return QRect(l / p, t / p, w / p, h / p); };
    const QString name = text(d.name);
    QStringList lines{line(name, px(0, 0, d.width, d.height), kLoaded.value(name, text(d.caption)), {d.icon ? "icon" : ""})};
    for (const design::Control &c : d.controls)
        lines.append(line(text(c.name), px(c.left, c.top, c.width, c.height), kLoaded.value(name + u'.' + text(c.name), text(c.caption)),
                          {kClasses.value(int(c.kind)), text(c.tip), c.tabIndex == design::kNoTab ? "" : QString::number(c.tabIndex),
                           c.isDefault ? "default" : "", c.cancel ? "cancel" : ""}));
    return lines;
}

// The same of a shown window; the cancel button is the one Esc presses.
QStringList shown(QWidget *window)
{
    QWidgetList tabs;
    for (QWidget *next = window->nextInFocusChain(); next != window; next = next->nextInFocusChain())
        if (next->parentWidget() == window && next->focusPolicy() & Qt::TabFocus)
            tabs.append(next);
    QObject context;
    QString escaped;
    for (QPushButton *b : window->findChildren<QPushButton *>(Qt::FindDirectChildrenOnly))
        QObject::connect(b, &QPushButton::clicked, &context, [&escaped, b] { escaped = b->objectName(); });
    QTest::keyClick(window, Qt::Key_Escape);
    QStringList lines{line(window->objectName(), window->rect(), window->windowTitle(), {window->windowIcon().isNull() ? "" : "icon"})};
    for (QWidget *w : window->findChildren<QWidget *>(Qt::FindDirectChildrenOnly)) {
        const auto *button = qobject_cast<QPushButton *>(w);
        if (!w->objectName().startsWith("qt_"))
            lines.append(line(w->objectName(), w->geometry(), w->property("text").toString(),
                              {w->metaObject()->className(), w->toolTip(), tabs.contains(w) ? QString::number(tabs.indexOf(w)) : "",
                               button && button->isDefault() ? "default" : "", w->objectName() == escaped ? "cancel" : ""}));
    }
    return lines;
}

// How a window behaves as a whole: "fixed" when it cannot be resized or
// maximised, "tool", "dialog" and "owned" when it is one, "modal" when it
// blocks others, "icon" when it shows one, then the buttons Enter presses
// when they have the focus, marked "!" (the tab order and the default button
// are shown()'s).
QString traits(QWidget *window)
{
    QString result = window->minimumSize() == window->maximumSize() && !(window->windowFlags() & Qt::WindowMinMaxButtonsHint) ? "fixed" : "sizable";
    result += QString(window->windowType() == Qt::Tool ? " tool" : window->windowType() == Qt::Dialog ? " dialog" : "")
        + (window->parentWidget() ? " owned" : "") + (window->isModal() ? " modal" : "") + (window->windowIcon().isNull() ? "" : " icon");
    for (QPushButton *button : window->findChildren<QPushButton *>(Qt::FindDirectChildrenOnly))
        result += button->autoDefault() ? u' ' + button->objectName() + u'!' : QString();
    return result;
}

} // namespace

// Each box shows its text whole and is wide enough for its title, shown in a
// bold face beside an icon and the title bar's buttons; each way out gives
// the answer its buttons stand for.
TEST_CASE("boxes")
{
    NoWindowLeft leaks;
    QFont titleFont = QApplication::font("QMdiSubWindowTitleBar");
    titleFont.setBold(true);
    QStringList wrong;
    for (const Box &box : kBoxes)
        for (const auto &way : box.ways) {
            ModalAnswerer modals;
            QString seen;
            modals.expect([&, action = way.first](QWidget *b) {
                QStringList buttons;
                for (QPushButton *button : b->findChildren<QPushButton *>())
                    buttons.append(button->text());
                buttons.sort();
                const int need = QFontMetrics(titleFont).horizontalAdvance(b->windowTitle()) + 96;
                seen = (QStringList{b->windowTitle()} + cutTexts(b) + buttons).join(u' ') + (b->width() < need ? " narrow" : "");
                if (action == "esc" || action == "enter")
                    QTest::keyClick(b, action == "esc" ? Qt::Key_Escape : Qt::Key_Return);
                else
                    action == "close" ? void(b->close()) : b->findChild<QPushButton *>(action)->click();
            });
            const int answer = kl::qt::QtMessageBoxes().MsgBox(box.text.toStdString(), box.buttons == "OK" ? vbOKOnly : vbOKCancel, box.title.toStdString());
            if (seen != box.title + u' ' + box.buttons || answer != way.second)
                wrong.append(QStringLiteral("%1 %2: %3 answered %4").arg(box.title, way.first, seen).arg(answer));
        }
    CHECK(wrong == QStringList());
}

// Each window as designed, its texts whole, its focus shown.
TEST_CASE("windows")
{
    const struct { const char *window, *focusable, *traits; QWidget *(*open)(Forms &); } table[] = {
        // window, a control whose focus the style itself does not show, traits, how it is opened
        {"main", "List1", "fixed icon", [](Forms &f) { return view(f.main()); }},
        {"Setup", "Dir1", "fixed dialog icon", [](Forms &f) { return view(f.Setup()); }},
        {"namechenge", "", "fixed icon", [](Forms &f) { return f.namechenge().OpenForRow(0), view(f.namechenge()); }},
        {"syori", "", "fixed tool", [](Forms &f) { return view(f.syori()); }},
        {"frmAbout", "picIcon", "fixed dialog owned icon cmdSysInfo! cmdOK!", [](Forms &f) { return view(f.frmAbout()); }}};
    for (const auto &[window, focusable, expected, open] : table) {
        SUBCASE(window)
        {
            QtHarness h;
            h.settings.putPrograms(1);
            h.forms.main(); // the about box's owner
            const QString name = window;
            QWidget *w = open(h.forms);
            w->show();
            CHECK(traits(w) == QString(expected));
            CHECK(cutTexts(w).join(u' ') == QString());
            if (*focusable) {
                QWidget *control = QtHarness::child(w, focusable);
                QApplication::setActiveWindow(w);
                w->findChild<QPushButton *>()->setFocus();
                const QList<QRgb> unfocused = pixels(control, true);
                control->setFocus();
                CHECK_MESSAGE(pixels(control, true) != unfocused, "focus not shown");
            }
            // Last, as Esc may close the window.
            const auto *d = *std::ranges::find_if(design::windows::all, [&](auto *d) { return d->name == name.toStdString(); });
            CHECK(shown(w) == designed(*d));
        }
    }
}

// One face per process, the only one installed (CTest names it and gives
// fontconfig no other): Qt keeps the faces it resolved for the process's life.
int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    const QString face = qEnvironmentVariable("KICKLIST_FACE");
    if (!kFaceFiles.contains(face))
        return std::fprintf(stderr, "KICKLIST_FACE names none of the faces\n"), 1;
    for (const QString &file : kFaceFiles.value(face))
        if (QFontDatabase::addApplicationFont("/usr/share/fonts/" + file) < 0)
            return std::fprintf(stderr, "%s missing: run scripts/setup.sh\n", qPrintable(file)), 1;
    QStringList others = QFontDatabase::families();
    others.removeIf([&](const QString &f) { return f.startsWith(face.left(3)) || QStringList{"Monospace", "Sans Serif", "Serif"}.contains(f); });
    if (!others.isEmpty())
        return std::fprintf(stderr, "other faces installed: %s\n", qPrintable(others.join(", "))), 1;
    kl::qt::preferJapaneseFont();
    return doctest::Context(argc, argv).run();
}
