// Prints a settings file as QSettings reads it: one JSON object of
// "Section/key": value. Fails when QSettings finds the file unreadable.
#include <QCoreApplication>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSettings>

#include <cstdio>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QSettings settings(QCoreApplication::arguments().value(1), QSettings::IniFormat);
    QJsonObject values;
    for (const QString &key : settings.allKeys())
        values.insert(key, settings.value(key).toString());
    std::fputs(QJsonDocument(values).toJson().constData(), stdout);
    return settings.status() == QSettings::NoError ? 0 : 1;
}
