// TPRTL_EllipticalButton: a round picture toggle button with an oval bevel.
// Unlike the saw-tooth button it toggles Down after the click has been
// reported, and wherever the left button is released.
#pragma once

#include <QPixmap>
#include <QString>
#include <QWidget>

class TPRTL_EllipticalButton : public QWidget {
    Q_OBJECT
public:
    explicit TPRTL_EllipticalButton(QWidget* parent = nullptr);

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
    // A left click (press and release inside). Down still holds the state
    // before the click; it toggles right after.
    void OnClick();
    void OnMouseDown(Qt::MouseButton button, int x, int y);
    void OnMouseUp(Qt::MouseButton button, int x, int y);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    bool m_raised = true;
    bool m_down = false;
    bool m_leftPressed = false;
    QString m_caption;
    QPixmap m_upImage;
    QPixmap m_downImage;
};
