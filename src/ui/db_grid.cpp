#include "db_grid.h"

#include "busy_cursor.h"
#include "dataset.h"
#include "db_grid_model.h"
#include "format_settings.h"
#include "grid_autosize.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QStyle>
#include <QStyledItemDelegate>
#include <QTimer>

namespace {

constexpr TColor kGridLineColor = clSilver;
// Pixels a sort arrow needs after the caption.
constexpr int kArrowSpace = 11;

// While a search runs the screen shows the hourglass, whatever it showed.
struct TSearchCursor {
    int saved = ScreenCursor();
    TSearchCursor() { SetScreenCursor(crHourGlass); }
    ~TSearchCursor() { SetScreenCursor(saved); }
};

// The character a key press types, as the search counts characters; -1
// for keys that type none.
int TypedChar(const QKeyEvent *event) {
    switch (event->key()) {
    case Qt::Key_Backspace: return 8;
    case Qt::Key_Tab: return 9;
    case Qt::Key_Return:
    case Qt::Key_Enter: return 13;
    case Qt::Key_Escape: return 27;
    default: return event->text().isEmpty() ? -1 : event->text().at(0).unicode();
    }
}

}  // namespace

// Title cells drawn as flat buttons: pressed while the left button is held
// on them, a title click when it is released over the same title. Column
// borders keep the header's own dragging.
class TGridTitleBar : public QHeaderView {
public:
    explicit TGridTitleBar(TI_DBGrid *grid) : QHeaderView(Qt::Horizontal, grid), grid_(grid) {
        setHighlightSections(false);
        setSectionsClickable(false);
        setSectionsMovable(false);
        setMinimumSectionSize(0);
        setStretchLastSection(false);
    }

    bool Resizing() const { return resizing_; }

    QSize sizeHint() const override { return QSize(QHeaderView::sizeHint().width(), grid_->titleHeight_); }

protected:
    void paintSection(QPainter *painter, const QRect &rect, int logical) const override {
        if (logical < 0 || logical >= grid_->Columns().Count()) return;
        const TColumn *column = grid_->Columns()[logical];
        const TColumnTitle *title = column->Title();
        const bool down = logical == pressed_ && over_;
        painter->save();
        painter->fillRect(rect, ColorToQColor(title->Color()));
        QColor light = ColorToQColor(clBtnHighlight), dark = ColorToQColor(clBtnShadow);
        if (down) std::swap(light, dark);
        painter->setPen(light);
        painter->drawLine(rect.topLeft(), rect.topRight());
        painter->drawLine(rect.topLeft(), rect.bottomLeft());
        painter->setPen(dark);
        painter->drawLine(rect.bottomLeft(), rect.bottomRight());
        painter->drawLine(rect.topRight(), rect.bottomRight());

        const QFont font = title->Font();
        const QFontMetrics fm(font);
        const QRect textRect = rect.adjusted(2, 2, -2, -2).translated(down ? 1 : 0, down ? 1 : 0);
        const QString caption = fm.elidedText(title->Caption(), Qt::ElideRight, textRect.width());
        painter->setFont(font);
        painter->setPen(ColorToQColor(title->FontColor()));
        painter->drawText(textRect, int(title->Alignment() | Qt::AlignTop | Qt::TextSingleLine), caption);

        const int used = fm.horizontalAdvance(caption);
        if (column->Indexed() && column->IndexStyle() != idxNone && 2 + used + kArrowSpace <= rect.width()) {
            const int x = textRect.left() + used + 2;
            const int y = rect.top() + rect.height() / 2;
            QPolygon arrow;
            if (column->IndexStyle() == idxDescending)
                arrow << QPoint(x, y - 2) << QPoint(x + 6, y - 2) << QPoint(x + 3, y + 2);
            else
                arrow << QPoint(x, y + 2) << QPoint(x + 6, y + 2) << QPoint(x + 3, y - 2);
            painter->setRenderHint(QPainter::Antialiasing, false);
            painter->setBrush(ColorToQColor(title->FontColor()));
            painter->drawPolygon(arrow);
        }
        painter->restore();
    }

    void mousePressEvent(QMouseEvent *event) override {
        const QPoint pos = event->position().toPoint();
        if (OnBorder(pos.x())) {
            resizing_ = event->button() == Qt::LeftButton;
            QHeaderView::mousePressEvent(event);
            return;
        }
        if (event->button() != Qt::LeftButton || !grid_->Options().testFlag(dgTitleClicked)) return;
        pressed_ = logicalIndexAt(pos);
        over_ = pressed_ >= 0;
        viewport()->update();
    }

    void mouseMoveEvent(QMouseEvent *event) override {
        if (pressed_ < 0) {
            QHeaderView::mouseMoveEvent(event);
            return;
        }
        const bool over = logicalIndexAt(event->position().toPoint()) == pressed_;
        if (over != over_) {
            over_ = over;
            viewport()->update();
        }
    }

    void mouseReleaseEvent(QMouseEvent *event) override {
        if (pressed_ < 0) {
            QHeaderView::mouseReleaseEvent(event);
            resizing_ = false;
            return;
        }
        const int column = pressed_;
        const bool clicked = logicalIndexAt(event->position().toPoint()) == column;
        pressed_ = -1;
        over_ = false;
        viewport()->update();
        if (clicked) grid_->TitleClick(column, event->modifiers());
    }

    // A second click on a title is one more click; on a border it would ask
    // the view to fit the column to its contents, which auto-size forbids.
    void mouseDoubleClickEvent(QMouseEvent *event) override {
        if (!OnBorder(event->position().toPoint().x())) mousePressEvent(event);
    }

private:
    // Mirrors where the header lets a border be dragged: within the grip
    // margin of a section's right edge, or of its left edge when a visible
    // section lies before it.
    bool OnBorder(int x) const {
        if (sectionResizeMode(0) == QHeaderView::Fixed || count() == 0) return false;
        const int visual = visualIndexAt(x);
        if (visual < 0) return false;
        const int logical = logicalIndex(visual);
        const int left = sectionViewportPosition(logical);
        const int grip = style()->pixelMetric(QStyle::PM_HeaderGripMargin, nullptr, this);
        if (x > left + sectionSize(logical) - grip) return true;
        if (x >= left + grip) return false;
        for (int v = visual - 1; v >= 0; --v)
            if (!isSectionHidden(logicalIndex(v))) return true;
        return false;
    }

    TI_DBGrid *grid_;
    int pressed_ = -1;
    bool over_ = false;
    bool resizing_ = false;
};

class TGridCellDelegate : public QStyledItemDelegate {
public:
    explicit TGridCellDelegate(TI_DBGrid *grid) : QStyledItemDelegate(grid), grid_(grid) {}

    void paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const override {
        try {
            const TColumn *column = grid_->Columns()[index.column()];
            const QRect cell = option.rect;
            const QRect content = cell.adjusted(0, 0, -grid_->LineWidth(), -grid_->RowLineWidth());
            TColor background = column->Color(), text = column->FontColor();
            if (option.state & QStyle::State_Selected) {
                if (grid_->hasFocus()) {
                    background = clHighlight;
                    text = clHighlightText;
                } else if (grid_->Options().testFlag(dgAlwaysShowSelection)) {
                    background = clGridInactiveSelection;
                }
            }
            if (!grid_->isEnabled()) text = clGrayText;

            painter->save();
            painter->fillRect(content, ColorToQColor(background));
            painter->setPen(ColorToQColor(kGridLineColor));
            if (grid_->LineWidth()) painter->drawLine(cell.topRight(), cell.bottomRight());
            if (grid_->RowLineWidth()) painter->drawLine(cell.bottomLeft(), cell.bottomRight());

            const QFont font = column->Font();
            const QFontMetrics fm(font);
            const QRect textRect = content.adjusted(2, 2, -1, -1);
            const QString value = index.data().toString();
            painter->setClipRect(content);
            painter->setFont(font);
            painter->setPen(ColorToQColor(text));
            // Rows hold one line: the cut word shows an ellipsis. Taller rows
            // wrap at word boundaries and clip.
            if (textRect.height() < 2 * fm.lineSpacing())
                painter->drawText(textRect, Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine,
                                  fm.elidedText(value, Qt::ElideRight, textRect.width()));
            else
                painter->drawText(textRect, Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap, value);
            painter->restore();
        } catch (...) {
            // An unpaintable cell stays as it is.
        }
    }

private:
    TI_DBGrid *grid_;
};

// --- columns -------------------------------------------------------------

void TColumnTitle::SetCaption(const QString &caption) {
    if (caption_ == caption) return;
    caption_ = caption;
    column_->Grid()->ColumnTitleChanged();
}

TColor TColumnTitle::Color() const { return color_ ? *color_ : column_->Grid()->FixedColor(); }

void TColumnTitle::SetColor(TColor color) {
    color_ = color;
    column_->Grid()->ColumnTitleChanged();
}

QFont TColumnTitle::Font() const { return font_ ? *font_ : column_->Grid()->TitleFont(); }

void TColumnTitle::SetFont(const QFont &font) {
    font_ = font;
    column_->Grid()->ColumnTitleChanged();
}

void TColumnTitle::SetFontColor(TColor color) {
    fontColor_ = color;
    column_->Grid()->ColumnTitleChanged();
}

void TColumnTitle::SetAlignment(Qt::Alignment alignment) {
    alignment_ = alignment & Qt::AlignHorizontal_Mask;
    column_->Grid()->ColumnTitleChanged();
}

TColumn::TColumn(TI_DBGrid *grid, int index) : grid_(grid), index_(index) {}

void TColumn::Changed() { grid_->ColumnsChanged(); }

void TColumn::SetFieldName(const QString &name) {
    if (fieldName_ == name) return;
    fieldName_ = name;
    Changed();
}

TField *TColumn::Field() const {
    TDataSet *ds = grid_->DataSet();
    return ds ? ds->FindField(fieldName_) : nullptr;
}

void TColumn::SetWidth(int width) {
    if (width_ == width && share_ == width) return;
    width_ = share_ = width;
    grid_->ColumnWidthChanged(this);
}

QFont TColumn::Font() const { return font_ ? *font_ : grid_->font(); }

void TColumn::SetFont(const QFont &font) {
    font_ = font;
    grid_->viewport()->update();
}

void TColumn::SetFontColor(TColor color) {
    fontColor_ = color;
    grid_->viewport()->update();
}

TColor TColumn::Color() const { return color_ ? *color_ : grid_->Color(); }

void TColumn::SetColor(TColor color) {
    color_ = color;
    grid_->viewport()->update();
}

void TColumn::SetIndexed(bool indexed) {
    indexed_ = indexed;
    grid_->ColumnTitleChanged();
}

void TColumn::SetIndexStyle(TIndexStyle style) {
    if (indexStyle_ == style) return;
    indexStyle_ = style;
    grid_->ColumnTitleChanged();
}

void TColumn::SetResize(bool resize) { resize_ = resize; }

void TColumn::SetVisible(bool visible) {
    if (visible_ == visible) return;
    visible_ = visible;
    Changed();
}

TColumn *TDBGridColumns::Add() {
    items_.push_back(std::make_unique<TColumn>(grid_, Count()));
    grid_->ColumnsChanged();
    return items_.back().get();
}

void TDBGridColumns::Clear() {
    items_.clear();
    grid_->ColumnsChanged();
}

void TDBGridColumns::EndUpdate() {
    if (updating_ > 0 && --updating_ == 0) grid_->ColumnsChanged();
}

// --- grid ----------------------------------------------------------------

TI_DBGrid::TI_DBGrid(QWidget *parent)
    : QTableView(parent),
      model_(new TGridDataModel(this)),
      titleBar_(new TGridTitleBar(this)),
      searchWindow_(new QLabel(this, Qt::ToolTip | Qt::FramelessWindowHint)),
      searchTimer_(new QTimer(this)) {
    setHorizontalHeader(titleBar_);
    setModel(model_);
    setItemDelegate(new TGridCellDelegate(this));
    verticalHeader()->hide();
    verticalHeader()->setMinimumSectionSize(1);
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setShowGrid(false);
    setWordWrap(false);
    setCornerButtonEnabled(false);
    // The grid paints its own background in its colour (see paintEvent).
    viewport()->setAutoFillBackground(false);
    titleFont_ = font();

    searchWindow_->setAttribute(Qt::WA_ShowWithoutActivating);
    searchWindow_->setFrameStyle(QFrame::Box | QFrame::Plain);
    searchWindow_->setMargin(2);
    QPalette hint = searchWindow_->palette();
    hint.setColor(QPalette::Window, ColorToQColor(clInfoBk));
    hint.setColor(QPalette::WindowText, ColorToQColor(clInfoText));
    searchWindow_->setPalette(hint);
    searchWindow_->setAutoFillBackground(true);
    searchTimer_->setSingleShot(true);
    searchTimer_->setInterval(kSearchTimeoutMs);
    connect(searchTimer_, &QTimer::timeout, this, &TI_DBGrid::CloseSearchWindow);

    connect(model_, &TGridDataModel::currentRowChanged, this, &TI_DBGrid::FollowDataSet);
    connect(titleBar_, &QHeaderView::sectionResized, this, [this](int logical, int, int size) {
        // Only a border dragged by the user sets a width here; the grid's
        // own section changes are already in the columns.
        if (applyingWidths_ || !titleBar_->Resizing() || logical >= columns_.Count()) return;
        columns_[logical]->SetWidth(size - LineWidth());
    });
    SetOptions(options_);
    UpdateTitleHeight();
}

TI_DBGrid::~TI_DBGrid() {
    CloseSearchWindow();
    // The model goes with the grid; it must not report to a half-destroyed view.
    disconnect(model_, nullptr, this, nullptr);
}

TDataSource *TI_DBGrid::DataSource() const { return model_->DataSource(); }

void TI_DBGrid::SetDataSource(TDataSource *source) {
    model_->SetDataSource(source);
    FollowDataSet(model_->CurrentRow());
}

TDataSet *TI_DBGrid::DataSet() const { return model_->DataSet(); }

void TI_DBGrid::SetOptions(TDBGridOptions options) {
    // Row selection and in-place editing exclude each other.
    if (options.testFlag(dgRowSelect)) options &= ~TDBGridOptions(dgEditing | dgAlwaysShowEditor);
    options_ = options;
    setSelectionBehavior(options_.testFlag(dgRowSelect) ? QAbstractItemView::SelectRows
                                                        : QAbstractItemView::SelectItems);
    titleBar_->setVisible(options_.testFlag(dgTitles));
    titleBar_->setSectionResizeMode(options_.testFlag(dgColumnResize) ? QHeaderView::Interactive
                                                                      : QHeaderView::Fixed);
    setTabKeyNavigation(options_.testFlag(dgTabs));
    setHorizontalScrollBarPolicy(options_.testFlag(dgAutoSize) ? Qt::ScrollBarAlwaysOff : Qt::ScrollBarAsNeeded);
    UpdateRowHeight();
    UpdateFrame();
    AutoSizeColumns();
    viewport()->update();
}

void TI_DBGrid::SetDefaultRowHeight(int height) {
    defaultRowHeight_ = height;
    UpdateRowHeight();
}

void TI_DBGrid::SetTitleFont(const QFont &font) {
    titleFont_ = font;
    ColumnTitleChanged();
}

void TI_DBGrid::SetColor(TColor color) {
    color_ = color;
    viewport()->update();
}

void TI_DBGrid::SetFixedColor(TColor color) {
    fixedColor_ = color;
    titleBar_->viewport()->update();
}

void TI_DBGrid::SetBorderStyle(int style) {
    borderStyle_ = style;
    UpdateFrame();
}

void TI_DBGrid::UpdateFrame() {
    if (borderStyle_ == bsNone) {
        setFrameStyle(QFrame::NoFrame);
    } else if (options_.testFlag(dgFlatButtons)) {
        setFrameStyle(QFrame::Box | QFrame::Plain);
        setLineWidth(1);
    } else {
        setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
    }
}

void TI_DBGrid::UpdateRowHeight() {
    verticalHeader()->setDefaultSectionSize(defaultRowHeight_ + RowLineWidth());
}

void TI_DBGrid::UpdateTitleHeight() {
    int height = 0;
    for (int i = 0; i < columns_.Count(); ++i) {
        const TColumnTitle *title = columns_[i]->Title();
        if (title->Caption().isEmpty()) continue;
        const QRect r = QFontMetrics(title->Font()).boundingRect(QRect(0, 0, 500, 100000), Qt::TextWordWrap,
                                                                 title->Caption());
        height = std::max(height, r.height() + 4);
    }
    if (height == 0) height = QFontMetrics(titleFont_).height() + 4;
    if (height != titleHeight_) {
        titleHeight_ = height;
        titleBar_->updateGeometry();
        updateGeometries();
    }
}

void TI_DBGrid::ColumnsChanged() {
    if (columns_.Updating()) return;
    QStringList names;
    for (int i = 0; i < columns_.Count(); ++i) names.append(columns_[i]->FieldName());
    model_->SetFieldNames(names);
    UpdateTitles();
    if (selectedIndex_ >= columns_.Count()) selectedIndex_ = std::max(0, columns_.Count() - 1);
    UpdateTitleHeight();
    AutoSizeColumns();
    FollowDataSet(model_->CurrentRow());
    viewport()->update();
    titleBar_->viewport()->update();
}

void TI_DBGrid::ColumnWidthChanged(TColumn *column) { AutoSizeColumns(column->Index()); }

void TI_DBGrid::UpdateTitles() {
    if (columns_.Updating()) return;
    QStringList titles;
    for (int i = 0; i < columns_.Count(); ++i)
        titles.append(columns_[i]->Title()->Caption());
    model_->SetTitles(titles);
}

void TI_DBGrid::ColumnTitleChanged() {
    UpdateTitles();
    UpdateTitleHeight();
    titleBar_->viewport()->update();
}

QList<int> TI_DBGrid::VisibleColumns() const {
    QList<int> out;
    for (int i = 0; i < columns_.Count(); ++i)
        if (columns_[i]->Visible()) out.append(i);
    return out;
}

void TI_DBGrid::AutoSizeColumns(int given) {
    // Before the grid is first shown its width means nothing; sizing then
    // would squeeze the design widths and lose their proportions.
    if (options_.testFlag(dgAutoSize) && isVisible() && !columns_.Updating()) {
        const QList<int> visible = VisibleColumns();
        std::vector<TAutoSizeColumn> in;
        int givenPos = -1;
        for (int i : visible) {
            if (i == given) givenPos = int(in.size());
            const TColumn *c = columns_[i];
            in.push_back({given >= 0 ? c->width_ : c->share_, c->resize_});
        }
        const std::vector<int> out = AutoSizeColumnWidths(in, viewport()->width(), LineWidth(), givenPos);
        for (qsizetype p = 0; p < visible.size(); ++p) {
            TColumn *c = columns_[visible[p]];
            c->width_ = out[p];
            // A width set by hand makes the resulting widths the new shares.
            if (given >= 0) c->share_ = out[p];
        }
    }
    ApplyColumnWidths();
}

void TI_DBGrid::ApplyColumnWidths() {
    applyingWidths_ = true;
    for (int i = 0; i < columns_.Count() && i < titleBar_->count(); ++i) {
        const TColumn *column = columns_[i];
        titleBar_->setSectionHidden(i, !column->Visible());
        if (column->Visible()) titleBar_->resizeSection(i, std::max(0, column->Width() + LineWidth()));
    }
    applyingWidths_ = false;
}

void TI_DBGrid::SetSelectedIndex(int column) {
    if (column < 0 || column >= columns_.Count()) return;
    selectedIndex_ = column;
    FollowDataSet(Row());
}

TField *TI_DBGrid::SelectedField() const { return model_->Field(selectedIndex_); }

int TI_DBGrid::Row() const { return model_->CurrentRow(); }

bool TI_DBGrid::DisplaySuspended() const {
    return model_->Suspended();
}

int TI_DBGrid::VisibleRowCount() const {
    return std::max(1, viewport()->height() / (defaultRowHeight_ + RowLineWidth()));
}

void TI_DBGrid::FollowDataSet(int row) {
    syncing_ = true;
    if (row < 0 || columns_.Count() == 0) {
        selectionModel()->clear();
    } else {
        setCurrentIndex(model_->index(row, selectedIndex_));
    }
    syncing_ = false;
    viewport()->update();
}

void TI_DBGrid::currentChanged(const QModelIndex &current, const QModelIndex &previous) {
    QTableView::currentChanged(current, previous);
    if (syncing_ || !current.isValid()) return;
    if (DisplaySuspended()) {
        // Whatever moved the view (focus arriving, an input method's
        // search), the data set stays; the view goes back to the row it
        // showed once the change that is under way has been handled.
        if (current.row() != model_->CurrentRow())
            QMetaObject::invokeMethod(
                this, [this] { FollowDataSet(model_->CurrentRow()); }, Qt::QueuedConnection);
        return;
    }
    selectedIndex_ = current.column();
    if (current.row() != model_->CurrentRow()) model_->MoveToRow(current.row());
    viewport()->update();
}

void TI_DBGrid::MoveTo(int row, int column) {
    const int rows = model_->rowCount();
    if (rows == 0 || DisplaySuspended()) return;
    selectedIndex_ = column;
    model_->MoveToRow(std::clamp(row, 0, rows - 1));
    FollowDataSet(model_->CurrentRow());
}

bool TI_DBGrid::Navigate(QKeyEvent *event) {
    const bool ctrl = event->modifiers().testFlag(Qt::ControlModifier);
    const bool rowSelect = options_.testFlag(dgRowSelect);
    const QList<int> visible = VisibleColumns();
    const int rows = model_->rowCount();
    int row = Row();
    int pos = std::max<int>(0, visible.indexOf(selectedIndex_));
    const int lastPos = std::max<int>(0, visible.size() - 1);
    const int firstShown = std::max(0, rowAt(0));
    const int lastShown = rowAt(viewport()->height() - 1) < 0 ? rows - 1 : rowAt(viewport()->height() - 1);

    switch (event->key()) {
    case Qt::Key_Up:
        CloseSearchWindow();
        row = ctrl ? firstShown : row - 1;
        break;
    case Qt::Key_Down:
        CloseSearchWindow();
        row = ctrl ? lastShown : row + 1;
        break;
    case Qt::Key_PageUp: row = ctrl ? firstShown : row - VisibleRowCount(); break;
    case Qt::Key_PageDown: row = ctrl ? lastShown : row + VisibleRowCount(); break;
    case Qt::Key_Left:
        if (ctrl) pos = 0;
        else if (rowSelect) --row;
        else pos = std::max(0, pos - 1);
        break;
    case Qt::Key_Right:
        if (ctrl) pos = lastPos;
        else if (rowSelect) ++row;
        else pos = std::min(lastPos, pos + 1);
        break;
    case Qt::Key_Home:
        if (ctrl || rowSelect) row = 0;
        else pos = 0;
        break;
    case Qt::Key_End:
        if (ctrl || rowSelect) row = rows - 1;
        else pos = lastPos;
        break;
    case Qt::Key_Tab:
    case Qt::Key_Backtab: {
        if (!options_.testFlag(dgTabs)) return false;
        // Past the last column lies the next record's first one, before the
        // first column the previous record's last one.
        const bool back = event->key() == Qt::Key_Backtab || event->modifiers().testFlag(Qt::ShiftModifier);
        if (!back && pos < lastPos) {
            ++pos;
        } else if (!back && row < rows - 1) {
            ++row;
            pos = 0;
        } else if (back && pos > 0) {
            --pos;
        } else if (back && row > 0) {
            --row;
            pos = lastPos;
        }
        break;
    }
    default: return false;
    }
    if (!visible.isEmpty()) MoveTo(row, visible[pos]);
    return true;
}

QString TI_DBGrid::SearchText() const { return searchWindow_->isVisible() ? searchWindow_->text() : QString(); }

void TI_DBGrid::CloseSearchWindow() {
    searchTimer_->stop();
    searchWindow_->hide();
    searchWindow_->clear();
}

void TI_DBGrid::keyPressEvent(QKeyEvent *event) {
    if (!DataSet()) {
        event->ignore();
        return;
    }
    if (Navigate(event)) {
        event->accept();
        return;
    }
    switch (event->key()) {
    case Qt::Key_Insert:
    case Qt::Key_F2:
        event->accept();  // no inserting and no in-place editor here
        return;
    case Qt::Key_Delete:
        if (event->modifiers().testFlag(Qt::ControlModifier)) {
            event->accept();  // the grid never deletes records
            return;
        }
        break;
    case Qt::Key_Escape: {
        TDataSet *ds = DataSet();
        if (!readOnly_ && !DisplaySuspended() &&
            (ds->State() == TDataSetState::dsEdit || ds->State() == TDataSetState::dsInsert))
            ds->Cancel();
        break;
    }
    default: break;
    }
    if (autoSearch_)
        DoAutoSearch(event);
    else
        event->ignore();
}

void TI_DBGrid::DoAutoSearch(QKeyEvent *event) {
    if (selectedIndex_ != searchColumn_) {
        CloseSearchWindow();
        searchColumn_ = selectedIndex_;
    }
    const bool ctrl = event->modifiers().testFlag(Qt::ControlModifier);
    const bool typesChar = !event->text().isEmpty() || (event->key() >= Qt::Key_Space && event->key() <= Qt::Key_AsciiTilde);
    QString text;
    if (ctrl) {
        // Ctrl+C is left to copying; any other Ctrl character searches for
        // the clipboard's text.
        if (!typesChar || event->key() == Qt::Key_C) {
            event->ignore();
            return;
        }
        text = QGuiApplication::clipboard()->text().trimmed().left(20);
    } else {
        const int ch = TypedChar(event);
        if (ch < 0 || ch == 0 || ch == 9 || ch == 13) {
            event->ignore();
            return;
        }
        if (ch == 27) {
            CloseSearchWindow();
            event->ignore();  // Escape still reaches the window
            return;
        }
        text = SearchText();
        if (ch == 8)
            text.chop(1);
        else if (ch == ' ' || ch >= '*')
            text += QChar(ch);
    }
    event->accept();
    // The running search text and its timer stay as they are: typing
    // resumes the search once the grid follows its data set again.
    if (DisplaySuspended()) return;

    TSearchCursor hourglass;
    if (text.isEmpty()) {
        CloseSearchWindow();
        return;
    }
    // A lookup that failed leaves the search window as it was.
    if (!LocateSearchText(text)) return;
    ShowSearchWindow(text);
    searchTimer_->start();
}

bool TI_DBGrid::LocateSearchText(const QString &text) {
    TDataSet *ds = DataSet();
    TField *field = SelectedField();
    if (!ds || !field) return true;
    QVariant value;
    switch (field->DataType()) {
    case TFieldType::ftSmallint:
    case TFieldType::ftInteger:
    case TFieldType::ftAutoInc:
        if (auto n = TryStrToInt(text)) value = *n;
        break;
    case TFieldType::ftBoolean:
        if (text == QLatin1String("0") || text == QLatin1String("1")) value = text == QLatin1String("1");
        break;
    case TFieldType::ftFloat:
    case TFieldType::ftCurrency:
    case TFieldType::ftBCD:
        if (auto f = TryStrToFloat(text)) value = *f;
        break;
    case TFieldType::ftDate:
    case TFieldType::ftDateTime:
        if (auto d = TryStrToDate(text)) value = *d;
        break;
    case TFieldType::ftString:
    case TFieldType::ftMemo:
        value = firstCharUpper_ ? text.left(1).toUpper() + text.mid(1) : text;
        break;
    default: value = text; break;
    }
    // A text that is no value of the field's type moves nothing.
    if (!value.isValid()) return true;
    try {
        if (!(OnLocate && OnLocate(this, field, value)))
            ds->Locate(field->FieldName(), value, loCaseInsensitive | loPartialKey);
    } catch (...) {
        return false;
    }
    return true;
}

void TI_DBGrid::ShowSearchWindow(const QString &text) {
    searchWindow_->setText(text);
    searchWindow_->adjustSize();
    const QRect cell = visualRect(currentIndex());
    const QPoint anchor(cell.left() + cell.width() / 2, cell.top() + kSearchWindowOffset);
    searchWindow_->move(viewport()->mapToGlobal(anchor));
    searchWindow_->show();
    searchWindow_->raise();
}

void TI_DBGrid::TitleClick(int column, Qt::KeyboardModifiers modifiers) {
    // The owner sorts in OnTitleClick; not while the data set is walked.
    if (column < 0 || column >= columns_.Count() || DisplaySuspended()) return;
    TColumn *clicked = columns_[column];
    if (clicked->Indexed()) {
        clicked->SetIndexStyle(idxDescending);
        if (!modifiers.testFlag(Qt::ShiftModifier))
            for (int i = 0; i < columns_.Count(); ++i)
                if (i != column && columns_[i]->Indexed()) columns_[i]->SetIndexStyle(idxNone);
    }
    if (OnTitleClick) OnTitleClick(clicked);
}

// The rows shown while the display is suspended are stale: a row clicked
// there says nothing about the data set's records.
void TI_DBGrid::mousePressEvent(QMouseEvent *event) {
    if (DisplaySuspended()) {
        event->accept();
        return;
    }
    QTableView::mousePressEvent(event);
    const QModelIndex index = indexAt(event->position().toPoint());
    if (event->button() == Qt::LeftButton && index.isValid() && OnCellClick) OnCellClick(columns_[index.column()]);
}

void TI_DBGrid::mouseDoubleClickEvent(QMouseEvent *event) {
    if (DisplaySuspended()) {
        event->accept();
        return;
    }
    QTableView::mouseDoubleClickEvent(event);
    if (event->button() == Qt::LeftButton && indexAt(event->position().toPoint()).isValid() && OnDblClick)
        OnDblClick(this);
}

void TI_DBGrid::mouseMoveEvent(QMouseEvent *event) {
    // Dragging with a button held selects rows as it goes.
    if (DisplaySuspended() && event->buttons() != Qt::NoButton) {
        event->accept();
        return;
    }
    QTableView::mouseMoveEvent(event);
}

void TI_DBGrid::mouseReleaseEvent(QMouseEvent *event) {
    // The view ends a press that began before the suspension; a selection it
    // makes on release is put back on the row shown.
    QTableView::mouseReleaseEvent(event);
    if (DisplaySuspended()) FollowDataSet(model_->CurrentRow());
}

void TI_DBGrid::focusInEvent(QFocusEvent *event) {
    QTableView::focusInEvent(event);
    viewport()->update();
}

void TI_DBGrid::focusOutEvent(QFocusEvent *event) {
    CloseSearchWindow();
    QTableView::focusOutEvent(event);
    viewport()->update();
}

void TI_DBGrid::paintEvent(QPaintEvent *event) {
    {
        QPainter painter(viewport());
        painter.fillRect(event->rect(), ColorToQColor(color_));
    }
    QTableView::paintEvent(event);
}

void TI_DBGrid::showEvent(QShowEvent *event) {
    QTableView::showEvent(event);
    AutoSizeColumns();
}

void TI_DBGrid::changeEvent(QEvent *event) {
    QTableView::changeEvent(event);
    if (event->type() == QEvent::EnabledChange || event->type() == QEvent::FontChange) viewport()->update();
}

bool TI_DBGrid::viewportEvent(QEvent *event) {
    const bool result = QTableView::viewportEvent(event);
    if (event->type() == QEvent::Resize) AutoSizeColumns();
    return result;
}
