#include "setupform.h"

#include "windows/Setup.h"

#include <QKeyEvent>
#include <QMouseEvent>

namespace kl::qt {

SetupForm::SetupForm(kl::Setup &window)
    : Dialog(nullptr, Qt::Dialog)
    , m_window(window)
    , m_drive1(*setUp(ui, this).Drive1)
    , m_dir1(*ui.Dir1)
    , m_file1(*ui.File1)
    , m_addProgram(*ui.AddProgram)
    , m_cxsetup(*ui.cxsetup)
{
    fixClientSize(width(), height());

    connect(ui.Drive1, &QComboBox::currentIndexChanged, this, [this] { m_window.Drive1_Change(); });
    routeClick(ui.Dir1, &kl::Setup::Dir1_Click);
    connect(ui.Dir1, &QListWidget::itemDoubleClicked, this, [this](QListWidgetItem *item) { open(ui.Dir1->row(item)); });
    routeClick(ui.File1, &kl::Setup::File1_Click);
    connect(ui.File1, &QListWidget::itemDoubleClicked, this, [this] { m_window.File1_DblClick(); });
    connect(ui.AddProgram, &QPushButton::clicked, this, [this] { m_window.AddProgram_Click(); });
    connect(ui.cxsetup, &QPushButton::clicked, this, [this] { m_window.cxsetup_Click(); });

    ui.Dir1->installEventFilter(this);
    ui.Dir1->viewport()->installEventFilter(this);
    ui.File1->viewport()->installEventFilter(this);
}

SetupForm::~SetupForm() = default;

void SetupForm::closeBox()
{
    m_window.Unload();
}

void SetupForm::routeClick(QListWidget *list, void (kl::Setup::*handler)())
{
    connect(list, &QListWidget::itemSelectionChanged, this, [this, list, handler] {
        if (!list->selectedItems().isEmpty())
            (m_window.*handler)();
    });
    connect(list, &QListWidget::itemClicked, this, [this, handler] {
        if (m_pressOnSelected)
            (m_window.*handler)();
    });
}

void SetupForm::open(int row)
{
    if (row >= 0 && row < ui.Dir1->count())
        m_window.Dir1_Open(row);
}

bool SetupForm::eventFilter(QObject *watched, QEvent *event)
{
    QListWidget *list = watched == ui.Dir1->viewport() ? ui.Dir1
        : watched == ui.File1->viewport()              ? ui.File1
                                                       : nullptr;
    if (list && (event->type() == QEvent::MouseButtonPress || event->type() == QEvent::MouseButtonDblClick)) {
        const QListWidgetItem *item = list->itemAt(static_cast<QMouseEvent *>(event)->position().toPoint());
        // The platform's lists keep their selection when the blank part is clicked.
        if (!item)
            return true;
        if (event->type() == QEvent::MouseButtonPress)
            m_pressOnSelected = item->isSelected();
    }
    if (watched == ui.Dir1 && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent *>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            open(ui.Dir1->currentRow());
            return true;
        }
    }
    return Dialog::eventFilter(watched, event);
}

} // namespace kl::qt
