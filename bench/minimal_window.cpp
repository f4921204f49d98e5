// The yardstick for start-up time and memory: a Qt Widgets program that shows
// one empty window of the list window's size and does nothing else.

#include <QApplication>
#include <QWidget>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QWidget window;
    window.setFixedSize(327, 168);
    window.show();
    return app.exec();
}
