#include "PictureWidget.h"

#include <QHelpEvent>
#include <QPainter>
#include <QToolTip>
#include <utility>

#include "QtCanvas.h"

CPictureWidget::CPictureWidget(QWidget* pParent) : QWidget(pParent) {
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    setMinimumHeight(40);
}

void CPictureWidget::SetPicture(CCanvasRecording picture) {
    m_picture = std::move(picture);
    updateGeometry();
    update();
}

int CPictureWidget::heightForWidth(int nWidth) const {
    const SCanvasView& view = m_picture.View();
    if (view.m_nWidth <= 0) {
        return 40;
    }
    return nWidth * (view.m_nHeight - view.m_nTop) / view.m_nWidth;
}

QSize CPictureWidget::sizeHint() const {
    return {600, heightForWidth(600)};
}

void CPictureWidget::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), Qt::white);
    painter.setRenderHint(QPainter::Antialiasing);
    CQtCanvas canvas(painter, QRectF(rect()));
    m_picture.Replay(canvas);
}

bool CPictureWidget::event(QEvent* pEvent) {
    if (pEvent->type() != QEvent::ToolTip) {
        return QWidget::event(pEvent);
    }
    auto* pHelp = static_cast<QHelpEvent*>(pEvent);
    const QTransform transform = ViewTransform(m_picture.View(), QRectF(rect()));
    const QPointF at = transform.inverted().map(QPointF(pHelp->pos()));
    const double dReach = 3.0 / std::max(transform.m11(), 1e-6);
    const std::string strTitle = m_picture.TitleAt(at.x(), at.y(), dReach);
    if (strTitle.empty()) {
        QToolTip::hideText();
        pEvent->ignore();
    } else {
        QToolTip::showText(pHelp->globalPos(), QString::fromStdString(strTitle), this);
    }
    return true;
}
