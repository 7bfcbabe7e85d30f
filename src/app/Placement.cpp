#include "app/Placement.h"

#include <QMetaType>
#include <QSettings>
#include <QVariant>

namespace app {

namespace {

constexpr char kOrganisation[] = "Morrowdene";
constexpr char kApplication[] = "Kelvo";
constexpr char kGroup[] = "Main";

int ReadValue(QSettings& store, const char* name, int fallback) {
    const QVariant value = store.value(QString::fromLatin1(name));
    if (!value.isValid()) return fallback;
    // INI stores give strings; a native store (or a value written by someone else) may hold numbers or lists.
    if (value.typeId() != QMetaType::QString && value.typeId() != QMetaType::QByteArray)
        throw PlacementTypeError(QString::fromLatin1(name));
    bool ok = false;
    const int number = value.toString().trimmed().toInt(&ok, 10);
    return ok ? number : fallback;
}

} // namespace

PlacementTypeError::PlacementTypeError(const QString& name)
    : std::runtime_error(("'" + name + "' のデータ型が不正です").toStdString()) {}

void ReadPlacement(WindowPlacement& placement) {
    QSettings store(QString::fromLatin1(kOrganisation), QString::fromLatin1(kApplication));
    store.beginGroup(QString::fromLatin1(kGroup));
    const WindowPlacement defaults;
    placement.top = ReadValue(store, "Top", defaults.top);
    placement.left = ReadValue(store, "Left", defaults.left);
    placement.width = ReadValue(store, "Width", defaults.width);
    placement.height = ReadValue(store, "Height", defaults.height);
}

void WritePlacement(const WindowPlacement& placement) {
    QSettings store(QString::fromLatin1(kOrganisation), QString::fromLatin1(kApplication));
    store.beginGroup(QString::fromLatin1(kGroup));
    store.setValue(QStringLiteral("Top"), QString::number(placement.top));
    store.setValue(QStringLiteral("Left"), QString::number(placement.left));
    store.setValue(QStringLiteral("Width"), QString::number(placement.width));
    store.setValue(QStringLiteral("Height"), QString::number(placement.height));
    store.endGroup();
    store.sync();
}

bool ReadShowResult() {
    QSettings store(QString::fromLatin1(kOrganisation), QString::fromLatin1(kApplication));
    store.beginGroup(QString::fromLatin1(kGroup));
    return store.value(QStringLiteral("ShowResult")).toString() == QStringLiteral("1");
}

void WriteShowResult(bool shown) {
    QSettings store(QString::fromLatin1(kOrganisation), QString::fromLatin1(kApplication));
    store.beginGroup(QString::fromLatin1(kGroup));
    store.setValue(QStringLiteral("ShowResult"), shown ? QStringLiteral("1") : QStringLiteral("0"));
    store.endGroup();
    store.sync();
}

} // namespace app
