#pragma once

#include <functional>

#include <QLabel>

// A text label that reports a left click (press and release on it) to OnClick, with itself as
// sender. A disabled label gets no mouse input, so it cannot be clicked.
class ClickLabel : public QLabel
{
    Q_OBJECT

public:
    explicit ClickLabel(QWidget* parent = nullptr);

    std::function<void(QObject* sender)> OnClick;

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    bool pressed_ = false;
};
