// SPDX-FileCopyrightText: 2026 Quelix developers
// SPDX-License-Identifier: MIT
// Construction, properties, measuring, painting and sizing of the field widget. Keys, mouse,
// focus, caret and the context menu are in SaNumEditInput.cpp.
#include "numedit/SaNumEdit.h"

#include "numedit/SaNumEditModel.h"

#include <QApplication>
#include <QClipboard>
#include <QEvent>
#include <QFontMetrics>
#include <QMimeData>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionFrame>
#include <QTimer>

#include <string>
#include <utility>

namespace {
std::string ToUtf8(const QString& s)
{
    return s.toUtf8().toStdString();
}

QString FromUtf8(std::string_view s)
{
    return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
}

QRect ToQRect(const TRect& r)
{
    return {QPoint(r.Left, r.Top), QSize(r.Right - r.Left, r.Bottom - r.Top)};
}

// The default size of a new field, before AutoSize sets the height.
constexpr int DefaultWidth = 121;
constexpr int DefaultHeight = 20;
} // namespace

// The model's window: measures in the widget's font and forwards its requests.
class TSaNumEdit::THost final : public TSaNumEditHost {
public:
    explicit THost(TSaNumEdit& edit)
        : FEdit(edit)
    {
    }
    int MeasureText(std::string_view text) const override
    {
        return FEdit.fontMetrics().horizontalAdvance(FromUtf8(text));
    }
    int LineHeight() const override { return FEdit.fontMetrics().height(); }
    TSize ClientSize() const override
    {
        const QRect r = FEdit.ClientRect();
        return {r.width(), r.height()};
    }
    void RequestRepaint() override { FEdit.update(); }
    void PlaceCaret() override { FEdit.PlaceCaret(); }
    void Beep() override { FEdit.Beep(); }
    void AdjustHeight() override { FEdit.AdjustHeight(); }
    // The width follows WidestText only in a form designer, which this program has not.
    void AdjustWidth() override { }
    void BorderChanged() override
    {
        FEdit.updateGeometry();
        FEdit.update();
    }

private:
    TSaNumEdit& FEdit;
};

namespace {
// The system clipboard as plain text.
class TSystemClipboard final : public TSaNumEditClipboard {
public:
    bool HasText() const override
    {
        const QMimeData* data = QGuiApplication::clipboard()->mimeData();
        return data != nullptr && data->hasText();
    }
    std::string GetText() const override { return ToUtf8(QGuiApplication::clipboard()->text()); }
    void SetText(std::string_view text) override
    {
        QGuiApplication::clipboard()->setText(FromUtf8(text));
    }
};
} // namespace

TSaNumEdit::TSaNumEdit(QWidget* parent)
    : TSaNumEdit(parent, std::make_unique<TSaNumEditModel>())
{
}

TSaNumEdit::TSaNumEdit(QWidget* parent, std::unique_ptr<TSaNumEditModel> model)
    : QWidget(parent)
    , FHost(std::make_unique<THost>(*this))
    , FClipboard(std::make_unique<TSystemClipboard>())
    , FModel(std::move(model))
{
    FModel->SetHost(FHost.get());
    FModel->SetClipboard(FClipboard.get());
    FModel->OnChange = [this](TSaNumEditModel&) { Q_EMIT OnChange(); };

    setFocusPolicy(Qt::StrongFocus);
    setCursor(Qt::IBeamCursor);
    setAttribute(Qt::WA_InputMethodEnabled);
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);

    FCaretTimer = new QTimer(this);
    connect(FCaretTimer, &QTimer::timeout, this, [this] {
        FCaretShown = !FCaretShown;
        update(CaretRect());
    });
    BuildPopupMenu();

    resize(DefaultWidth, DefaultHeight);
    AdjustHeight();
}

TSaNumEdit::~TSaNumEdit() = default;

QString TSaNumEdit::GetText() const
{
    return FromUtf8(FModel->GetText());
}

void TSaNumEdit::SetText(const QString& s)
{
    FModel->SetText(ToUtf8(s));
}

QString TSaNumEdit::ImageText() const
{
    return FromUtf8(FModel->ImageText());
}

bool TSaNumEdit::Selected() const
{
    return FModel->SelLength() != 0;
}

// ---- properties: the model's, forwarded (its setters ignore an unchanged value) -----------

// clang-format off
#define QUELIX_FORWARD(Type, Name)                                                               \
    Type TSaNumEdit::Name() const { return FModel->Name(); }                                     \
    void TSaNumEdit::Set##Name(Type value) { FModel->Set##Name(value); }
// clang-format on

QUELIX_FORWARD(TAlignment, Alignment)
QUELIX_FORWARD(bool, ArrowFocusMove)
QUELIX_FORWARD(bool, AutoSelect)
QUELIX_FORWARD(bool, AutoSize)
QUELIX_FORWARD(TBorderStyle, BorderStyle)
QUELIX_FORWARD(int, BottomMargin)
QUELIX_FORWARD(bool, Comma)
QUELIX_FORWARD(bool, Ctl3D)
QUELIX_FORWARD(bool, DecimalFixed)
QUELIX_FORWARD(int, DecimalLength)
QUELIX_FORWARD(bool, EnterFocusMove)
QUELIX_FORWARD(bool, ErrorBeep)
QUELIX_FORWARD(bool, HideSelection)
QUELIX_FORWARD(bool, ImageCopy)
QUELIX_FORWARD(bool, IntegerFixed)
QUELIX_FORWARD(int, IntegerLength)
QUELIX_FORWARD(int, LeftMargin)
QUELIX_FORWARD(bool, Minus)
QUELIX_FORWARD(TSaNumEditOptions, Options)
QUELIX_FORWARD(bool, ReadOnly)
QUELIX_FORWARD(int, RightMargin)
QUELIX_FORWARD(int, TopMargin)
QUELIX_FORWARD(TVertAlignment, VertAlignment)
#undef QUELIX_FORWARD

QString TSaNumEdit::LeftMark() const
{
    return FromUtf8(FModel->LeftMark());
}

void TSaNumEdit::SetLeftMark(const QString& value)
{
    FModel->SetLeftMark(ToUtf8(value));
}

QString TSaNumEdit::RightMark() const
{
    return FromUtf8(FModel->RightMark());
}

void TSaNumEdit::SetRightMark(const QString& value)
{
    FModel->SetRightMark(ToUtf8(value));
}

QColor TSaNumEdit::Color() const
{
    return FColor.isValid() ? FColor : palette().color(QPalette::Active, QPalette::Base);
}

void TSaNumEdit::SetColor(const QColor& value)
{
    if (value == Color())
        return;
    FColor = value;
    update();
}

QColor TSaNumEdit::DisabledColor() const
{
    return FDisabledColor.isValid() ? FDisabledColor
                                    : palette().color(QPalette::Disabled, QPalette::Text);
}

void TSaNumEdit::SetDisabledColor(const QColor& value)
{
    if (value == DisabledColor())
        return;
    FDisabledColor = value;
    update();
}

// ---- geometry and painting -----------------------------------------------------------------

// A single border is the sunken 2-pixel edge, or a flat 1-pixel line without the 3-D look.
int TSaNumEdit::FrameWidth() const
{
    if (FModel->BorderStyle() == TBorderStyle::bsNone)
        return 0;
    return FModel->Ctl3D() ? 2 : 1;
}

QRect TSaNumEdit::ClientRect() const
{
    const int f = FrameWidth();
    return rect().adjusted(f, f, -f, -f);
}

void TSaNumEdit::AdjustHeight()
{
    if (!FModel->AutoSize())
        return;
    updateGeometry();
    const int height = FModel->AutoHeight() + 2 * FrameWidth();
    if (height != this->height())
        resize(width(), height); // keeps the top edge where the form put it
}

QSize TSaNumEdit::sizeHint() const
{
    const int height = FModel->AutoSize() ? FModel->AutoHeight() + 2 * FrameWidth() : DefaultHeight;
    return {DefaultWidth, height};
}

QSize TSaNumEdit::minimumSizeHint() const
{
    return {2 * FrameWidth() + FModel->LeftMargin() + FModel->RightMargin(), sizeHint().height()};
}

void TSaNumEdit::resizeEvent(QResizeEvent* e)
{
    QWidget::resizeEvent(e);
    // A form that sets a fixed height (setGeometry) still gets the height of the font.
    AdjustHeight();
    if (hasFocus())
        PlaceCaret();
}

void TSaNumEdit::changeEvent(QEvent* e)
{
    QWidget::changeEvent(e);
    switch (e->type()) {
    case QEvent::FontChange:
    case QEvent::ParentChange:
        AdjustHeight();
        if (FCaretActive)
            PlaceCaret();
        update();
        break;
    case QEvent::EnabledChange:
    case QEvent::PaletteChange:
        update();
        break;
    default:
        break;
    }
}

void TSaNumEdit::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    const QColor back = Color();
    if (FModel->BorderStyle() == TBorderStyle::bsSingle) {
        QStyleOptionFrame frame;
        frame.initFrom(this);
        frame.rect = rect();
        frame.lineWidth = style()->pixelMetric(QStyle::PM_DefaultFrameWidth, &frame, this);
        frame.midLineWidth = 0;
        frame.state |= QStyle::State_Sunken;
        frame.palette.setColor(QPalette::Base, back);
        style()->drawPrimitive(QStyle::PE_PanelLineEdit, &frame, &painter, this);
    } else {
        painter.fillRect(rect(), back);
    }
    const QRect client = ClientRect();
    painter.fillRect(client, back);
    painter.translate(client.topLeft());
    painter.setClipRect(QRect(QPoint(0, 0), client.size()));

    const TSaNumEditModel& m = *FModel;
    QColor fill = back;
    QColor ink = palette().color(QPalette::Text);
    if (!isEnabled()) {
        ink = DisabledColor();
    } else if (m.SelLength() != 0) {
        fill = palette().color(QPalette::Highlight);
        ink = palette().color(QPalette::HighlightedText);
    }

    const QRect leftMark = ToQRect(m.LeftMarkRect());
    const QRect value = ToQRect(m.ValueRect());
    const QRect rightMark = ToQRect(m.RightMarkRect());
    FValueRectCache = value;
    QRect filled = value;
    if (!m.LeftMark().empty())
        filled.setLeft(leftMark.left());
    if (!m.RightMark().empty())
        filled.setRight(rightMark.right());
    painter.fillRect(filled, fill);

    painter.setPen(ink);
    const int flags = Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine | Qt::TextDontClip;
    const std::string shown = m.FormatValue(m.ValueText());
    if (!shown.empty() && !m.LeftMark().empty())
        painter.drawText(leftMark, flags, FromUtf8(m.LeftMark()));
    painter.drawText(value, flags, FromUtf8(shown));
    if (!shown.empty() && !m.RightMark().empty())
        painter.drawText(rightMark, flags, FromUtf8(m.RightMark()));

    if (FCaretActive && FCaretShown)
        painter.fillRect(CaretRect().translated(-client.topLeft()), ink);
}
