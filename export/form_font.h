// The dialogs' font: the small sans serif of the original forms, or the
// nearest sans serif this machine has.
#pragma once

#include <QFont>
#include <QStringList>

namespace mp3 {

inline QFont DialogFont(bool bold = false)
{
    QFont font;
    font.setFamilies({QStringLiteral("MS Sans Serif"), QStringLiteral("Liberation Sans"),
                      QStringLiteral("DejaVu Sans")});
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(11);
    font.setBold(bold);
    return font;
}

}  // namespace mp3
