// The yardstick for start-up time and memory: a Qt Widgets program that shows
// one empty window of the list window's size and does nothing else.
// With --text the window holds one line of Japanese text, which shows what the
// first use of the font system costs on its own.

#include <QApplication>
#include <QLabel>
#include <QWidget>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QWidget window;
    window.setFixedSize(327, 168);
    if (app.arguments().contains(QStringLiteral("--text")))
        (new QLabel(QStringLiteral("キックリスト"), &window))->move(8, 8);
    window.show();
    return app.exec();
}
