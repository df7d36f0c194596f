#include "button_pictures.h"

QString ButtonPictureStem(const QString &buttonName)
{
    QString stem = buttonName;
    if (stem.endsWith(QLatin1String("Button")))
        stem.chop(6);
    return stem.toLower();
}

QString ButtonPicturePath(const QString &buttonName, bool down)
{
    return QStringLiteral(":/pictures/%1-%2.png")
        .arg(ButtonPictureStem(buttonName), down ? QLatin1String("down") : QLatin1String("up"));
}

QIcon ProgramIcon()
{
    QIcon icon;
    for (int size : {48, 64, 128, 256})
        icon.addFile(QStringLiteral(":/icons/parrotel-%1.png").arg(size), QSize(size, size));
    return icon;
}
