#pragma once

#include <QImage>
#include <QWidget>

// The page picture of the preview: shows a rendered page and takes the keyboard focus.
class PageImage : public QWidget
{
    Q_OBJECT
public:
    explicit PageImage(QWidget *parent = nullptr);

    void setImage(const QImage &image);
    const QImage &image() const { return m_image; }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QImage m_image;
};
