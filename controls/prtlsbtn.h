// TPRTL_SawToothButton: a picture toggle button whose window is an inset
// rectangle with optional triangular teeth on each side, so that neighbouring
// buttons mesh like gear teeth. Each left click toggles Down.
#pragma once

#include "gdidraw.h"

#include <QPixmap>
#include <QRegion>
#include <QString>
#include <QWidget>

#include <vector>

namespace saw_tooth {

// Largest teeth count a side accepts (19: a side's outline holds at most 43
// points); the smallest negative top count is -kMaxTopInterlock.
constexpr int kMaxTeeth = 19;
constexpr int kMaxTopInterlock = 20;

struct Shape {
    int width = 32;
    int height = 32;
    int toothSize = 10;
    int leftTeeth = 4;
    int topTeeth = 5;  // negative: the interlocking pattern that meshes under bottom teeth
    int rightTeeth = 4;
    int bottomTeeth = 4;
};

// Pitch and half-pitch of n > 0 teeth along a side whose teeth span `span`
// pixels (the side length minus twice the tooth size); the half-pitch is
// rounded on its own.
int Pitch(int span, int n);
int HalfPitch(int span, int n);

// The body: (T - 1, T - 1) to (W - T - 1, H - T - 1), right and bottom exclusive.
gdi::Box Body(const Shape& shape);

// The tooth polygons of each side, empty for a straight side (a count of 0,
// or a negative count on the left, right or bottom).
std::vector<QPoint> LeftPolygon(const Shape& shape);
std::vector<QPoint> RightPolygon(const Shape& shape);
std::vector<QPoint> TopPolygon(const Shape& shape);
std::vector<QPoint> BottomPolygon(const Shape& shape);

// The window shape: the body with every side's teeth.
QRegion Region(const Shape& shape);

// The 3-D outline along the shape: highlight on rising and left flanks,
// shadow on the others. Raised: white highlight, black shadow; pressed: swapped.
std::vector<gdi::Line> Outline(const Shape& shape, bool raised);

// Top-left corner for centring content of the given size on the body
// (caption origin; the picture is drawn one pixel up and left of it). The
// pressed look shifts it one pixel down and right.
QPoint ContentOrigin(const Shape& shape, QSize content, bool raised);

}  // namespace saw_tooth

class TPRTL_SawToothButton : public QWidget {
    Q_OBJECT
public:
    explicit TPRTL_SawToothButton(QWidget* parent = nullptr);

    // Teeth counts of 20 or more are ignored, as is a top count below -20.
    // Negative left, right and bottom counts draw a straight side.
    int LeftTeeth() const { return m_shape.leftTeeth; }
    void SetLeftTeeth(int count);
    int TopTeeth() const { return m_shape.topTeeth; }
    void SetTopTeeth(int count);
    int RightTeeth() const { return m_shape.rightTeeth; }
    void SetRightTeeth(int count);
    int BottomTeeth() const { return m_shape.bottomTeeth; }
    void SetBottomTeeth(int count);
    int ToothSize() const { return m_shape.toothSize; }
    void SetToothSize(int size);

    QString Caption() const { return m_caption; }
    void SetCaption(const QString& caption);
    // Setting Down from code changes the look only; it raises no OnClick.
    bool Down() const { return m_down; }
    void SetDown(bool down);
    QPixmap UpImage() const { return m_upImage; }
    void SetUpImage(const QPixmap& image);
    QPixmap DownImage() const { return m_downImage; }
    void SetDownImage(const QPixmap& image);

    // Drawn up (true) or pressed; false while the button is held or down.
    bool Raised() const { return m_raised; }

signals:
    // A left click (press and release inside): Down already holds the new state.
    void OnClick();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    void SetTeeth(int& field, int count);
    void BuildRegion();

    saw_tooth::Shape m_shape;
    bool m_raised = true;
    bool m_down = false;
    bool m_leftPressed = false;
    QString m_caption;
    QPixmap m_upImage;
    QPixmap m_downImage;
};
