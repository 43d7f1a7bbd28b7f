#include "app/Tmainfrm.h"

#include <algorithm>

#include <QApplication>
#include <QCloseEvent>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QShortcut>

#include "app/StationApplication.h"
#include "app/TSetfrm.h"
#include "components/TColor.h"
#include "components/TCursor.h"
#include "components/TiSwitchRocker.h"
#include "floors/ClickLabel.h"
#include "floors/DesignerFont.h"
#include "floors/FloorTable.h"
#include "floors/Navigation.h"
#include "floors/OuterRectFit.h"
#include "floors/ScopedCursor.h"
#include "floors/TShape.h"
#include "link/RelayColors.h"
#include "link/SwitchAndConfirm.h"

namespace {

constexpr int MainAddress = 1;
constexpr QPoint Position{240, 151};
constexpr QSize OuterSize{557, 474};
constexpr std::array<int, 5> ColumnLefts{79, 171, 263, 355, 447};
constexpr std::array<int, 5> ShapeLefts{71, 163, 255, 347, 439};
constexpr std::array<int, 5> SwitchLefts{62, 154, 246, 338, 430};
constexpr std::array<int, 5> FloorLabelLefts{72, 167, 259, 351, 445};
constexpr std::array<const char*, 5> FloorNumerals{"一", "二", "三", "四", "五"};

// One character per line: the floor labels stand upright between the switch columns.
QString verticalCaption(const char* numeral)
{
    const QString text =
        QStringLiteral("岚") + QString::fromUtf8(numeral) + QStringLiteral("层监控界面");
    QStringList lines;
    for (const QChar c : text)
        lines << QString(c);
    return lines.join(QStringLiteral("\r\n"));
}

} // namespace

Tmainfrm::Tmainfrm(ScreenSet& screens) : screens_(screens), link_(Comm1, indicators_)
{
    setObjectName(QStringLiteral("mainfrm"));
    screens_.mainfrm = this;
    screens_.link = &link_;
    screens_.indicators = &indicators_;

    setWindowTitle(StationApplication::Caption());
    move(Position);
    resize(OuterSize);
    new OuterRectFit(*this, QRect(Position, OuterSize));
    setFont(DesignerFont(SansSerifFamily, 11));

    Comm1.setObjectName(QStringLiteral("Comm1"));
    Comm1.OnComm = [this](QObject* sender) { link_.Comm1Comm(sender); };
    link_.ShowWriteError = [this](const QString& message) {
        QMessageBox box(QMessageBox::NoIcon, StationApplication::Caption(), message,
                        QMessageBox::Ok, this);
        box.exec();
    };
    ShowOpenWarning = [this](const QString& text) {
        QMessageBox box(QMessageBox::Warning, QStringLiteral("Warning"), text,
                        QMessageBox::NoButton, this);
        box.addButton(QStringLiteral("&Yes"), QMessageBox::YesRole);
        box.exec();
    };

    buildControls();
    buildMenus();
    FormCreate(this);
}

Tmainfrm::~Tmainfrm() = default;

void Tmainfrm::buildControls()
{
    auto* client = new QWidget(this);
    client->setObjectName(QStringLiteral("client"));
    setCentralWidget(client);

    auto* Label1 = new QLabel(QString::fromUtf8(MainScreenTitleCaption), client);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setGeometry(144, 24, 252, 27);
    Label1->setFont(DesignerFont(SerifFamily, 24));

    std::vector<IndicatorShape*> inBitOrder;
    for (std::size_t k = 0; k < 5; ++k) {
        const int column = int(k) + 1;
        auto* caption = new QLabel(QStringLiteral("R%1").arg(column), client);
        caption->setObjectName(QStringLiteral("Label%1").arg(column + 1));
        caption->setGeometry(ColumnLefts[k], 80, 15, 16);
        caption->setFont(DesignerFont(SerifFamily, 13));
        // The stand-in for the designer's face is wider: grow to the text, keep the left edge.
        caption->resize(std::max(caption->width(), caption->sizeHint().width()), 16);

        auto* shape = new TShape(client);
        shape->setObjectName(QStringLiteral("R%1").arg(column));
        shape->setGeometry(ShapeLefts[k], 101, 31, 24);
        shape->SetTag(column);
        shapes_[k] = shape;
        inBitOrder.push_back(shape);

        auto* rocker = new TiSwitchRocker(client);
        rocker->setObjectName(QStringLiteral("iSwitchRocker%1").arg(column));
        rocker->setGeometry(SwitchLefts[k], 146, 49, 96);
        rocker->SetTag(1 << k);
        rocker->SetIndicatorActiveColor(TColor(RelayOnColor));
        rocker->SetCursor(crHandPoint);
        rocker->OnChange = [this](QObject* sender) { iSwitchRocker1Change(sender); };
        // The column's label names the switch to assistive technology.
        caption->setBuddy(rocker);
        switches_[k] = rocker;

        auto* floorLabel = new ClickLabel(client);
        floorLabel->setObjectName(QStringLiteral("Label%1").arg(column + 6));
        floorLabel->move(FloorLabelLefts[k], 250);
        floorLabel->setFont(DesignerFont(SerifFamily, 19));
        floorLabel->setCursor(Qt::PointingHandCursor);
        floorLabels_[k] = floorLabel;
    }
    indicators_.Register(MainAddress, std::move(inBitOrder));

    floorLabels_[0]->OnClick = [this](QObject* sender) { Label7Click(sender); };
    floorLabels_[1]->OnClick = [this](QObject* sender) { Label8Click(sender); };
    floorLabels_[2]->OnClick = [this](QObject* sender) { Label9Click(sender); };
    floorLabels_[3]->OnClick = [this](QObject* sender) { Label10Click(sender); };
    floorLabels_[4]->OnClick = [this](QObject* sender) { Label11Click(sender); };
}

void Tmainfrm::buildMenus()
{
    auto* MainMenu1 = menuBar();
    MainMenu1->setObjectName(QStringLiteral("MainMenu1"));
    QMenu* File1 = MainMenu1->addMenu(QStringLiteral("文件"));
    File1->setObjectName(QStringLiteral("File1"));
    QAction* N1 = File1->addAction(QStringLiteral("设置"));
    N1->setObjectName(QStringLiteral("N1"));
    connect(N1, &QAction::triggered, this, [this] { N1Click(this); });
    auto* openFile = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_F), this);
    connect(openFile, &QShortcut::activated, this,
            [MainMenu1, File1] { MainMenu1->setActiveAction(File1->menuAction()); });

    QAction* Help1 = MainMenu1->addAction(QStringLiteral("帮助"));
    Help1->setObjectName(QStringLiteral("Help1"));

    PopupMenu1 = new QMenu(this);
    PopupMenu1->setObjectName(QStringLiteral("PopupMenu1"));
    QAction* N2 = PopupMenu1->addAction(QStringLiteral("读取当前状态"));
    N2->setObjectName(QStringLiteral("N2"));
    connect(N2, &QAction::triggered, this, [this] { N2Click(this); });
}

void Tmainfrm::FormCreate(QObject*)
{
    for (std::size_t k = 0; k < floorLabels_.size(); ++k) {
        floorLabels_[k]->setText(verticalCaption(FloorNumerals[k]));
        floorLabels_[k]->adjustSize();
    }
    link_.PrepareComm();
}

void Tmainfrm::FormClose(QObject*)
{
    ClosePort();
}

void Tmainfrm::closeEvent(QCloseEvent* event)
{
    FormClose(this);
    // Waits still running below this handler return at once and send nothing more.
    link_.End();
    event->accept();
    emit closed();
}

void Tmainfrm::contextMenuEvent(QContextMenuEvent* event)
{
    PopupMenu1->popup(event->globalPos());
}

void Tmainfrm::SendFrame(const std::uint8_t* bytes, std::uint16_t count)
{
    link_.SendFrame(bytes, count);
}

bool Tmainfrm::PumpWait(std::int32_t ms)
{
    return link_.PumpWait(ms);
}

void Tmainfrm::RequestStatus(std::uint8_t address)
{
    link_.RequestStatus(address);
}

bool Tmainfrm::OpenPort(std::uint8_t port, int baud)
{
    return link_.OpenPort(port, baud);
}

void Tmainfrm::ClosePort()
{
    link_.ClosePort();
}

void Tmainfrm::iSwitchRocker1Change(QObject* sender)
{
    const ScopedCursor busy(Qt::WaitCursor, {qobject_cast<QWidget*>(sender), this});
    SwitchAndConfirm(link_, MainAddress, sender, MainScreenRelayBits);
}

void Tmainfrm::goToFloor(int floor, QObject* sender)
{
    GoToFloor(screens_, this, qobject_cast<QWidget*>(sender), floor);
}

void Tmainfrm::Label7Click(QObject* sender)
{
    goToFloor(1, sender);
}

void Tmainfrm::Label8Click(QObject* sender)
{
    goToFloor(2, sender);
}

void Tmainfrm::Label9Click(QObject* sender)
{
    goToFloor(3, sender);
}

void Tmainfrm::Label10Click(QObject* sender)
{
    goToFloor(4, sender);
}

void Tmainfrm::Label11Click(QObject* sender)
{
    goToFloor(5, sender);
}

void Tmainfrm::N1Click(QObject*)
{
    auto* dialog = static_cast<TSetfrm*>(screens_.Setfrm);
    if (dialog->exec() == QDialog::Accepted) {
        const auto port = std::uint8_t(dialog->SelectedPort());
        if (!link_.OpenPort(port, 9600)) {
            link_.ClosePort();
            if (ShowOpenWarning)
                ShowOpenWarning(QStringLiteral("打开通讯%1出错").arg(dialog->EntryText()));
        }
    }
    link_.RequestStatus(MainAddress);
}

void Tmainfrm::N2Click(QObject*)
{
    const ScopedCursor busy(Qt::BusyCursor, {this});
    link_.RequestStatus(MainAddress);
}
