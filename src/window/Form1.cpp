#include "Form1.h"

#include "ControlTable.h"
#include "Messages.h"
#include "PhraseSearch.h"
#include "ScriptFaces.h"
#include "SingleLineValidator.h"
#include "VerseLookup.h"
#include "WidgetOperations.h"

#include <QAction>
#include <QApplication>
#include <QSessionManager>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QFrame>
#include <QIcon>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QMenuBar>
#include <QTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QShortcut>
#include <QStyleOptionMenuItem>
#include <QStyle>
#include <QStyleFactory>

#include <limits>
#include <utility>
#include <map>

namespace lumaril {

namespace {

// Return or Enter on the focused button presses it, as on Windows, while the window still
// has no default button: in a text box Return does nothing. Qt's push buttons only take
// Return when they are (auto-)default, which would make them dialog default buttons.
class CommandButton : public QPushButton
{
public:
    using QPushButton::QPushButton;

protected:
    void keyPressEvent(QKeyEvent *event) override
    {
        const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
        if (enter && (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier) {
            // A held key would otherwise start one search after another.
            if (!event->isAutoRepeat())
                click();
            return;
        }
        QPushButton::keyPressEvent(event);
    }
};

// A menu title the keyboard is on (after F10 or a lone Alt) is drawn the way an open one is.
// Some styles (Fusion among them) draw nothing for it, so the user could not see that the
// keyboard has gone to the menu bar, nor which menu Return would open.
class MenuBar : public QMenuBar
{
public:
    using QMenuBar::QMenuBar;

protected:
    void initStyleOption(QStyleOptionMenuItem *option, const QAction *action) const override
    {
        QMenuBar::initStyleOption(option, action);
        if (hasFocus() && (option->state & QStyle::State_Selected))
            option->state |= QStyle::State_Sunken;
    }
};

QRect pixelRect(const ControlRow &row)
{
    return {twipsToPixels(row.left), twipsToPixels(row.top), twipsToPixels(row.width),
            twipsToPixels(row.height)};
}

QWidget *makeControl(const ControlRow &row, QWidget *container)
{
    const QString caption = QString::fromLatin1(row.caption);
    switch (row.kind) {
    case ControlKind::Picture: {
        auto *picture = new QLabel(container);
        picture->setPixmap(QPixmap(QStringLiteral(":/banner.gif")));
        // The banner is the opening phrase in Arabic calligraphy: a screen reader says this.
        picture->setAccessibleName(
                QStringLiteral("In the name of Allah, the Most Gracious, the Most Merciful"));
        return picture;
    }
    case ControlKind::Label: {
        auto *label = new QLabel(caption, container);
        label->setWordWrap(true);
        label->setAlignment(row.alignment);
        return label;
    }
    case ControlKind::LineEdit: {
        auto *edit = new QLineEdit(container);
        // Qt's own limit counts UTF-16 units, and would keep half of an emoji: the validator
        // keeps the limit instead. No limit means none at all: a pasted text of any size is
        // taken whole.
        edit->setMaxLength(std::numeric_limits<int>::max());
        edit->setValidator(new SingleLineValidator(row.maxLength, edit));
        return edit;
    }
    case ControlKind::ResultsBox: {
        auto *box = new QTextEdit(container);
        box->setReadOnly(true);
        box->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
        box->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
        box->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        box->setLineWrapMode(QTextEdit::WidgetWidth);
        box->setTabChangesFocus(true);
        box->setAcceptRichText(false);
        // The scroll bar changes after every match of a long search; the plain classic
        // style draws it several times faster than a gradient style does.
        if (QStyle *plain = QStyleFactory::create(QStringLiteral("Windows"))) {
            plain->setParent(box);
            box->verticalScrollBar()->setStyle(plain);
        }
        box->setUndoRedoEnabled(false);
        return box;
    }
    case ControlKind::Button: {
        auto *button = new CommandButton(caption, container);
        button->setAutoDefault(false);
        button->setDefault(false);
        return button;
    }
    case ControlKind::Frame: {
        auto *frame = new QFrame(container);
        // The etched outline the desktop draws round a group of controls, in its own shades.
        frame->setFrameStyle(QFrame::Box | QFrame::Sunken);
        frame->hide();
        return frame;
    }
    }
    return nullptr;
}

void applyLook(QWidget *widget, const ControlRow &row)
{
    if (row.pointSize > 0)
        widget->setFont(controlFont(row));
    QPalette palette = widget->palette();
    if (row.text.isValid()) {
        palette.setColor(QPalette::WindowText, row.text);
        palette.setColor(QPalette::Text, row.text);
    }
    if (row.background.isValid()) {
        palette.setColor(row.kind == ControlKind::ResultsBox ? QPalette::Base : QPalette::Window,
                         row.background);
        widget->setAutoFillBackground(true);
    }
    widget->setPalette(palette);
    if (row.toolTip) {
        widget->setToolTip(QString::fromLatin1(row.toolTip));
        widget->setAccessibleDescription(widget->toolTip());
    }
    widget->setFocusPolicy(row.tabIndex >= 0 ? Qt::StrongFocus : Qt::NoFocus);
}

} // namespace

Form1::Form1(QString verseFileName, QWidget *parent)
    : QMainWindow(parent)
    , m_verseFileName(std::move(verseFileName))
    , m_commands([this] { unload(); }, [this] { Form_Unload(*m_ops); })
{
    setObjectName(QStringLiteral("Form1"));
    // The window's size is fixed, so its frame offers no maximise button: one that did
    // nothing would only puzzle.
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
                   | Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
    setWindowTitle(windowCaption());
#ifndef Q_OS_WIN
    // On Windows the window takes the program file's own icon (IDI_ICON1), which Qt gives its
    // window class: the same images Explorer shows, and no image plugin to ship for them.
    setWindowIcon(QIcon(QStringLiteral(":/icons/lumaril.ico")));
#endif
    auto *bar = new MenuBar(this);
    // The menus belong on the window, where F10 and Alt reach them, even on a desktop with a
    // global menu bar; asking the desktop for one also costs a bus round trip at start-up.
    bar->setNativeMenuBar(false);
    setMenuBar(bar);
    buildMenus();
    buildControls();
    m_ops = std::make_unique<WidgetOperations>(*this);
    connectCommands();
#ifndef QT_NO_SESSIONMANAGER
    // Qt 6 no longer closes windows when the desktop session ends; close this one, so that
    // the farewell is shown then as well, when the session manager lets the user answer it.
    connect(qApp, &QGuiApplication::commitDataRequest, this, [this](QSessionManager &manager) {
        if (!m_commands.isClosed() && manager.allowsInteraction()) {
            close();
            manager.release();
        }
    });
#endif
}

Form1::~Form1() = default;

void Form1::buildControls()
{
    auto *client = new QWidget(this);
    client->setObjectName(QStringLiteral("client"));
    client->setFixedSize(twipsToPixels(clientWidthTwips), twipsToPixels(clientHeightTwips));
    QPalette palette = client->palette();
    palette.setColor(QPalette::Window, windowBackground);
    client->setPalette(palette);
    client->setAutoFillBackground(true);
    setCentralWidget(client);

    std::map<QString, QWidget *> byName;
    std::map<int, QWidget *> tabOrder;
    for (const ControlRow &row : controlTable()) {
        QWidget *container = row.container ? byName.at(QString::fromLatin1(row.container)) : client;
        QWidget *widget = makeControl(row, container);
        widget->setObjectName(QString::fromLatin1(row.name));
        widget->setGeometry(pixelRect(row));
        applyLook(widget, row);
        byName[widget->objectName()] = widget;
        if (row.tabIndex >= 0)
            tabOrder[row.tabIndex] = widget;
    }
    // The table lists controls from the bottom of the stack up.
    for (const ControlRow &row : controlTable())
        byName.at(QString::fromLatin1(row.name))->raise();

    QWidget *previous = nullptr;
    for (const auto &[index, widget] : tabOrder) {
        if (previous)
            setTabOrder(previous, widget);
        previous = widget;
    }

    // Each box is named by the label beside it, for screen readers.
    const std::pair<const char *, const char *> named[] = {
        {"Label1", "Text2"}, {"Label6", "surat"}, {"Label7", "ayat"}, {"Label4", "Text1"}};
    for (const auto &[labelName, boxName] : named) {
        auto *label = static_cast<QLabel *>(byName.at(QString::fromLatin1(labelName)));
        QWidget *box = byName.at(QString::fromLatin1(boxName));
        label->setBuddy(box);
        box->setAccessibleName(label->text());
    }
    auto *query = static_cast<QLineEdit *>(byName.at(QStringLiteral("Text2")));
    query->setFocus();
    // The query box takes the face for the script of what is typed or pasted into it.
    connect(query, &QLineEdit::textChanged, query,
            [query, typed = query->font(), alignment = query->alignment()](const QString &text) {
                const ScriptFaces::Face face = ScriptFaces::faceFor(text);
                const QFont font = ScriptFaces::font(face, typed);
                if (query->font() == font)
                    return;
                query->setFont(font);
                // Nastaliq's line is taller than the box: centred, its words would lose their
                // tails below the line; set on the bottom, they lose only room above them.
                query->setAlignment(face == ScriptFaces::Face::Urdu
                                            ? (alignment & Qt::AlignHorizontal_Mask) | Qt::AlignBottom
                                            : alignment);
            });

    // The size is the design's: nothing follows a change of the window's size, so it has none.
    layout()->setSizeConstraint(QLayout::SetFixedSize);
}

void Form1::buildMenus()
{
    std::map<QString, QMenu *> menus;
    for (const MenuRow &row : menuTable()) {
        const QString caption = QString::fromLatin1(row.caption);
        if (!row.menu) {
            QMenu *menu = menuBar()->addMenu(caption);
            menu->setObjectName(QString::fromLatin1(row.name) + QStringLiteral("Menu"));
            menu->menuAction()->setObjectName(QString::fromLatin1(row.name));
            menus[QString::fromLatin1(row.name)] = menu;
        } else {
            QAction *action = menus.at(QString::fromLatin1(row.menu))->addAction(caption);
            action->setObjectName(QString::fromLatin1(row.name));
            action->setParent(this); // findChild reaches it from the window
        }
    }
}

void Form1::connectCommands()
{
    // F10 puts the keyboard on the menu bar, as on Windows. Qt's menu bar does that on a lone
    // Alt only and keeps the means to itself, so F10 hands it the key events of a lone Alt;
    // pressed again, like Alt, it gives the keyboard back.
    auto *f10 = new QShortcut(QKeySequence(Qt::Key_F10), this);
    connect(f10, &QShortcut::activated, this, [this] {
        // A key event flips a modifier key's own modifier: Alt's press is made without it.
        QKeyEvent press(QEvent::ShortcutOverride, Qt::Key_Alt, Qt::NoModifier);
        QCoreApplication::sendEvent(this, &press);
        QKeyEvent release(QEvent::KeyRelease, Qt::Key_Alt, Qt::AltModifier);
        QCoreApplication::sendEvent(this, &release);
    });

    const auto button = [this](const char *name) {
        return findChild<QPushButton *>(QString::fromLatin1(name));
    };
    const auto item = [this](const char *name) {
        return findChild<QAction *>(QString::fromLatin1(name));
    };
    connect(button("Command1"), &QPushButton::clicked, this, &Form1::Command1_Click);
    connect(item("text"), &QAction::triggered, this, &Form1::Command1_Click);
    connect(button("Command3"), &QPushButton::clicked, this, &Form1::Command3_Click);
    connect(item("search"), &QAction::triggered, this, &Form1::Command3_Click);

    const auto exit = [this] { run([this] { exitProgram(*m_ops); }); };
    connect(button("Command2"), &QPushButton::clicked, this, exit);
    connect(item("exit"), &QAction::triggered, this, exit);
    const auto about = [this] { run([this] { showAbout(*m_ops); }); };
    connect(button("Command4"), &QPushButton::clicked, this, about);
    connect(item("software"), &QAction::triggered, this, about);
    connect(item("email"), &QAction::triggered, this, [this] { run([this] { showEmail(*m_ops); }); });
    connect(item("website"), &QAction::triggered, this,
            [this] { run([this] { showWebsite(*m_ops); }); });
}

void Form1::run(std::function<void()> command)
{
    m_commands.run(std::move(command));
}

void Form1::Command1_Click()
{
    run([this] { lumaril::Command1_Click(*m_ops, m_verseFileName); });
}

void Form1::Command3_Click()
{
    run([this] { lumaril::Command3_Click(*m_ops, m_verseFileName); });
}

void Form1::unload()
{
    m_unloading = true;
    close();
    m_unloading = false;
}

void Form1::endProgram()
{
    m_commands.end();
    QCoreApplication::exit(0);
}

void Form1::closeEvent(QCloseEvent *event)
{
    event->setAccepted(m_commands.closeRequested(m_unloading));
}

} // namespace lumaril
