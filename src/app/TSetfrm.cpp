#include "app/TSetfrm.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>

#include "floors/BevelPanel.h"
#include "floors/DesignerFont.h"
#include "floors/OuterRectFit.h"
#include "serial/ComPortName.h"
#include "serial/PortProbe.h"

TSetfrm::TSetfrm()
{
    setObjectName(QStringLiteral("Setfrm"));
    setWindowTitle(QStringLiteral("通讯端口设置"));
    setModal(true);
    move(214, 202);
    // 423 × 181 with the frame of a dialog; the window manager's frame, once known, decides.
    resize(415, 154);
    new OuterRectFit(*this, QRect(214, 202, 423, 181));
    setFont(DesignerFont(SansSerifFamily, 11));
    setAutoFillBackground(true);

    auto* Panel1 = new BevelPanel(BevelPanel::Bevel::Lowered, BevelPanel::Bevel::Raised, this);
    Panel1->setObjectName(QStringLiteral("Panel1"));
    Panel1->setGeometry(-1, 0, 416, 66);

    auto* Label1 = new QLabel(QStringLiteral("通讯端口："), Panel1);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setGeometry(52, 23, 110, 21);
    Label1->setFont(DesignerFont(SerifFamily, 19));

    ComboBox1 = new QComboBox(Panel1);
    ComboBox1->setObjectName(QStringLiteral("ComboBox1"));
    ComboBox1->setEditable(true);
    ComboBox1->setInsertPolicy(QComboBox::NoInsert);
    ComboBox1->setFont(DesignerFont(SerifFamily, 19));
    ComboBox1->setGeometry(160, 21, 88, 21 + 6);
    connect(ComboBox1->lineEdit(), &QLineEdit::textEdited, this, [this] { typed_ = true; });
    // A pick from the list: the arrow keys or the wheel on the field, a click or Enter in the
    // drop-down list.
    ComboBox1->installEventFilter(this);
    ComboBox1->view()->installEventFilter(this);
    ComboBox1->view()->viewport()->installEventFilter(this);

    auto* Panel2 = new BevelPanel(BevelPanel::Bevel::Lowered, BevelPanel::Bevel::Raised, this);
    Panel2->setObjectName(QStringLiteral("Panel2"));
    Panel2->setGeometry(-1, 68, 416, 81);

    auto* Button1 = new QPushButton(QStringLiteral("确定"), Panel2);
    Button1->setObjectName(QStringLiteral("Button1"));
    Button1->setGeometry(54, 22, 94, 36);
    connect(Button1, &QPushButton::clicked, this, &QDialog::accept);

    auto* Button2 = new QPushButton(QStringLiteral("取消"), Panel2);
    Button2->setObjectName(QStringLiteral("Button2"));
    Button2->setGeometry(222, 22, 94, 36);
    connect(Button2, &QPushButton::clicked, this, &QDialog::reject);
}

void TSetfrm::showEvent(QShowEvent* event)
{
    // A spontaneous show is the window coming back from being minimized: the dialog was shown
    // all along, and the operator's choice stays.
    if (!event->spontaneous())
        FormShow(this);
    QDialog::showEvent(event);
}

bool TSetfrm::eventFilter(QObject* watched, QEvent* event)
{
    QAbstractItemView* list = ComboBox1->view();
    switch (event->type()) {
    case QEvent::KeyPress: {
        const int key = static_cast<QKeyEvent*>(event)->key();
        const bool steps = key == Qt::Key_Up || key == Qt::Key_Down || key == Qt::Key_PageUp ||
                           key == Qt::Key_PageDown || key == Qt::Key_Home || key == Qt::Key_End;
        const bool takes = key == Qt::Key_Return || key == Qt::Key_Enter;
        if ((watched == ComboBox1 && steps) || (watched == list && takes))
            typed_ = false;
        break;
    }
    case QEvent::Wheel:
        if (watched == ComboBox1)
            typed_ = false;
        break;
    case QEvent::MouseButtonRelease:
        if (watched == list->viewport() &&
            list->indexAt(static_cast<QMouseEvent*>(event)->position().toPoint()).isValid())
            typed_ = false;
        break;
    default:
        break;
    }
    return QDialog::eventFilter(watched, event);
}

void TSetfrm::FormShow(QObject*)
{
    typed_ = false;
    ComboBox1->clear();
    for (const PortProbeResult& probe : ProbeComPorts()) {
        if (probe.listed())
            ComboBox1->addItem(ComPortName(probe.port));
        else if (const QString why = UnlistedPortMessage(probe); !why.isEmpty())
            qCWarning(lcPortProbe).noquote() << why;
    }
    ComboBox1->setCurrentIndex(-1);
    ComboBox1->setEditText(QString());
}

int TSetfrm::SelectedPort() const
{
    const int index = ComboBox1->currentIndex();
    if (typed_ || index < 0 || ComboBox1->currentText() != ComboBox1->itemText(index))
        return 0;
    // The entry's own number, not its position: a port missing from the list must not
    // shift the choice onto another port.
    bool ok = false;
    const int port = ComboBox1->itemText(index).mid(3).toInt(&ok);
    return ok ? port : 0;
}

QString TSetfrm::EntryText() const
{
    return ComboBox1->currentText();
}
