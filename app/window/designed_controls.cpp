#include "designed_controls.h"

#include <QLabel>

#include "button_pictures.h"
#include "prtlrbtn.h"
#include "prtlsbtn.h"
#include "prtltbar.h"

namespace designed_controls {

namespace {

template <class Button>
void LoadPictures(Button& button, const QString& name)
{
    button.SetUpImage(QPixmap(ButtonPicturePath(name, false)));
    button.SetDownImage(QPixmap(ButtonPicturePath(name, true)));
}

}  // namespace

TPRTL_SawToothButton* MakeSawToothButton(QWidget* parent, const char* name, QRect bounds, Teeth teeth)
{
    auto* button = new TPRTL_SawToothButton(parent);
    button->setObjectName(name);
    button->setGeometry(bounds);
    button->SetToothSize(teeth.size);
    button->SetLeftTeeth(teeth.left);
    button->SetTopTeeth(teeth.top);
    button->SetRightTeeth(teeth.right);
    button->SetBottomTeeth(teeth.bottom);
    LoadPictures(*button, name);
    return button;
}

QLabel* MakeLabel(QWidget* parent, const QString& text, QPoint at, const QFont& font, QColor color)
{
    auto* label = new QLabel(text, parent);
    label->setFont(font);
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, color);
    label->setPalette(palette);
    label->adjustSize();
    label->move(at);
    return label;
}

QLabel* MakeCentredLabel(QWidget* parent, const QString& text, int top, const QFont& font, QColor color)
{
    QLabel* label = MakeLabel(parent, text, QPoint(0, top), font, color);
    label->move((parent->width() - label->width()) / 2, top);
    return label;
}

void SetBackground(QWidget* widget, QColor color)
{
    QPalette palette = widget->palette();
    palette.setColor(QPalette::Window, color);
    widget->setPalette(palette);
    widget->setAutoFillBackground(true);
}

TPRTL_TrackBar* MakeTrackBar(QWidget* parent, const char* name, QRect bounds, int max, int position)
{
    auto* bar = new TPRTL_TrackBar(parent);
    bar->setObjectName(name);
    bar->setGeometry(bounds);
    bar->SetOrientation(TrackBarOrientation::Vertical);
    bar->SetMin(0);
    bar->SetMax(max);
    bar->SetPosition(position);
    bar->SetFrequency(1);
    bar->SetThumbLength(20);
    return bar;
}

TPRTL_EllipticalButton* MakeEllipticalButton(QWidget* parent, const QString& name, QRect bounds,
                                             const QString& caption)
{
    auto* button = new TPRTL_EllipticalButton(parent);
    button->setObjectName(name);
    button->setGeometry(bounds);
    button->SetCaption(caption);
    LoadPictures(*button, name);
    return button;
}

}  // namespace designed_controls
