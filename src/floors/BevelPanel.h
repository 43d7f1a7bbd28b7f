#pragma once

#include <optional>

#include <QWidget>

// A panel drawn with up to two one-pixel bevels: the outer one at the edge, the inner one
// just inside it.
class BevelPanel : public QWidget
{
    Q_OBJECT

public:
    enum class Bevel
    {
        Raised,
        Lowered
    };

    BevelPanel(std::optional<Bevel> outer, std::optional<Bevel> inner, QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    std::optional<Bevel> outer_;
    std::optional<Bevel> inner_;
};
