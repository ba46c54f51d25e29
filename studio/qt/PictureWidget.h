// A picture of the studio (map, histogram, signal, strip) in a widget: made
// once on a recording canvas, drawn again on every paint at the widget's
// size, with the tooltips of its shapes.
#pragma once

#include <QWidget>

#include "CanvasRecording.h"

class CPictureWidget : public QWidget {
    Q_OBJECT
public:
    explicit CPictureWidget(QWidget* pParent = nullptr);

    void SetPicture(CCanvasRecording picture);
    const CCanvasRecording& Picture() const { return m_picture; }

    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int nWidth) const override;
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* pEvent) override;
    bool event(QEvent* pEvent) override;

private:
    CCanvasRecording m_picture;
};
