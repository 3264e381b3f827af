// TI_DBGrid: the suite's data-aware grid. Shows the records of a data set
// (through a data source) as rows and chosen fields as columns, follows the
// data set's current record, and adds an incremental search by typing,
// title cells that act as buttons and carry a sort indicator, and columns
// that always fill the grid's width.
//
// While the data set has its controls switched off (an operation walks it
// and the grid shows what it showed before), user input moves nothing: no
// click, key, title click or search changes the current record, and
// neither OnDblClick nor OnCellClick nor OnTitleClick fires. The wheel and
// the scroll bar still scroll the rows shown. Once the controls are on
// again, the grid follows the data set's current record.
#pragma once

#include "colors.h"
#include "form_hook.h"

#include <QFlags>
#include <QFont>
#include <QTableView>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

class QLabel;
class QTimer;
class TDataSet;
class TDataSource;
class TField;
class TGridDataModel;
class TGridTitleBar;
class TI_DBGrid;

enum TDBGridOption : quint32 {
    dgEditing = 1u << 0,
    dgAlwaysShowEditor = 1u << 1,
    dgTitles = 1u << 2,
    dgIndicator = 1u << 3,
    dgColumnResize = 1u << 4,
    dgColLines = 1u << 5,
    dgRowLines = 1u << 6,
    dgTabs = 1u << 7,
    dgRowSelect = 1u << 8,
    dgAlwaysShowSelection = 1u << 9,
    dgConfirmDelete = 1u << 10,
    dgCancelOnExit = 1u << 11,
    dgMultiSelect = 1u << 12,
    dgMarker = 1u << 13,
    dgTitleClicked = 1u << 14,
    dgUserRowHeight = 1u << 15,
    dgRowSizing = 1u << 16,
    dgHighlightRow = 1u << 17,
    dgFlatButtons = 1u << 18,
    dgCompleteLines = 1u << 19,
    dgAutoSize = 1u << 20,
};
Q_DECLARE_FLAGS(TDBGridOptions, TDBGridOption)
Q_DECLARE_OPERATORS_FOR_FLAGS(TDBGridOptions)

inline constexpr TDBGridOptions kDefaultDBGridOptions =
    TDBGridOptions(dgEditing | dgTitles | dgIndicator | dgColumnResize | dgColLines | dgRowLines | dgTabs |
                   dgConfirmDelete | dgCancelOnExit);

enum TIndexStyle { idxNone, idxAscending, idxDescending };

// Background of the selected row while the grid has no focus (light orange).
inline constexpr TColor clGridInactiveSelection = 0x79E1FF;

class TColumn;

class TColumnTitle {
public:
    explicit TColumnTitle(TColumn *column) : column_(column) {}

    QString Caption() const { return caption_; }
    void SetCaption(const QString &caption);
    // Defaults to the grid's FixedColor.
    TColor Color() const;
    void SetColor(TColor color);
    // Default: the grid's TitleFont.
    QFont Font() const;
    void SetFont(const QFont &font);
    TColor FontColor() const { return fontColor_; }
    void SetFontColor(TColor color);
    Qt::Alignment Alignment() const { return alignment_; }
    void SetAlignment(Qt::Alignment alignment);

private:
    TColumn *column_;
    QString caption_;
    std::optional<TColor> color_;
    std::optional<QFont> font_;
    TColor fontColor_ = clWindowText;
    Qt::Alignment alignment_ = Qt::AlignLeft;
};

class TColumn {
public:
    TColumn(TI_DBGrid *grid, int index);

    TI_DBGrid *Grid() const { return grid_; }
    int Index() const { return index_; }

    QString FieldName() const { return fieldName_; }
    void SetFieldName(const QString &name);
    // The data set's field of that name, or nullptr.
    TField *Field() const;
    // Pixels, without the grid line. Setting it on a shown auto-sizing grid
    // redistributes the other columns around it, and the widths that result
    // become the proportions the columns keep when the grid is resized.
    int Width() const { return width_; }
    void SetWidth(int width);
    // Data cells; the font defaults to the grid's font.
    QFont Font() const;
    void SetFont(const QFont &font);
    TColor FontColor() const { return fontColor_; }
    void SetFontColor(TColor color);
    // Defaults to the grid's Color.
    TColor Color() const;
    void SetColor(TColor color);
    TColumnTitle *Title() { return &title_; }
    const TColumnTitle *Title() const { return &title_; }
    bool Indexed() const { return indexed_; }
    void SetIndexed(bool indexed);
    TIndexStyle IndexStyle() const { return indexStyle_; }
    void SetIndexStyle(TIndexStyle style);
    // False: keeps its width when the grid auto-sizes.
    bool Resize() const { return resize_; }
    void SetResize(bool resize);
    bool Visible() const { return visible_; }
    void SetVisible(bool visible);
    // Kept with the column; cell text is always drawn with word breaking.
    bool WordBreak() const { return wordBreak_; }
    void SetWordBreak(bool wordBreak) { wordBreak_ = wordBreak; }
    int FocusWidth() const { return focusWidth_; }
    void SetFocusWidth(int width) { focusWidth_ = width; }

private:
    friend class TDBGridColumns;
    friend class TI_DBGrid;
    void Changed();

    TI_DBGrid *grid_;
    int index_;
    QString fieldName_;
    int width_ = 64;
    // The column's share when the grid is resized: scaling always starts
    // from these, so that rounding does not wear the proportions down.
    int share_ = 64;
    std::optional<QFont> font_;
    TColor fontColor_ = clWindowText;
    std::optional<TColor> color_;
    TColumnTitle title_{this};
    bool indexed_ = false;
    TIndexStyle indexStyle_ = idxNone;
    bool resize_ = true;
    bool visible_ = true;
    bool wordBreak_ = false;
    int focusWidth_ = 0;
};

// The grid's columns in display order. Changes between BeginUpdate and
// EndUpdate are laid out once, at the end.
class TDBGridColumns {
public:
    explicit TDBGridColumns(TI_DBGrid *grid) : grid_(grid) {}

    TColumn *Add();
    void Clear();
    int Count() const { return static_cast<int>(items_.size()); }
    TColumn *Items(int index) const { return items_.at(index).get(); }
    TColumn *operator[](int index) const { return Items(index); }
    void BeginUpdate() { ++updating_; }
    void EndUpdate();
    bool Updating() const { return updating_ > 0; }

private:
    TI_DBGrid *grid_;
    std::vector<std::unique_ptr<TColumn>> items_;
    int updating_ = 0;
};

class TI_DBGrid : public QTableView {
    Q_OBJECT
    Q_PROPERTY(uint Color READ Color WRITE SetColor)
    Q_PROPERTY(uint FixedColor READ FixedColor WRITE SetFixedColor)
    Q_PROPERTY(int BorderStyle READ BorderStyle WRITE SetBorderStyle)
    Q_PROPERTY(bool ReadOnly READ ReadOnly WRITE SetReadOnly)
    Q_PROPERTY(bool AutoSearch READ AutoSearch WRITE SetAutoSearch)
    Q_PROPERTY(int DefaultRowHeight READ DefaultRowHeight WRITE SetDefaultRowHeight)

public:
    // The search window closes after this long without typing.
    static constexpr int kSearchTimeoutMs = 5000;
    // The search window's top lies this far below the current cell's top.
    static constexpr int kSearchWindowOffset = 17;

    explicit TI_DBGrid(QWidget *parent = nullptr);
    ~TI_DBGrid() override;

    TDataSource *DataSource() const;
    void SetDataSource(TDataSource *source);
    // The data source's data set while it is open.
    TDataSet *DataSet() const;

    TDBGridColumns &Columns() { return columns_; }
    const TDBGridColumns &Columns() const { return columns_; }

    TDBGridOptions Options() const { return options_; }
    void SetOptions(TDBGridOptions options);
    bool ReadOnly() const { return readOnly_; }
    void SetReadOnly(bool readOnly) { readOnly_ = readOnly; }
    bool AutoSearch() const { return autoSearch_; }
    void SetAutoSearch(bool autoSearch) { autoSearch_ = autoSearch; }
    int DefaultRowHeight() const { return defaultRowHeight_; }
    void SetDefaultRowHeight(int height);
    // Only measures the title row when no column caption does.
    QFont TitleFont() const { return titleFont_; }
    void SetTitleFont(const QFont &font);
    bool DataDraggingEnabled() const { return dataDragging_; }
    void SetDataDraggingEnabled(bool enabled) { dataDragging_ = enabled; }
    bool UseCustomizeDialog() const { return useCustomizeDialog_; }
    void SetUseCustomizeDialog(bool use) { useCustomizeDialog_ = use; }
    // Upper-cases the first character of the search text for text fields.
    bool FirstCharUpperAdress() const { return firstCharUpper_; }
    void SetFirstCharUpperAdress(bool upper) { firstCharUpper_ = upper; }
    TColor Color() const { return color_; }
    void SetColor(TColor color);
    TColor FixedColor() const { return fixedColor_; }
    void SetFixedColor(TColor color);
    // bsNone or bsSingle.
    int BorderStyle() const { return borderStyle_; }
    void SetBorderStyle(int style);

    // The column of the current cell (index into Columns()).
    int SelectedIndex() const { return selectedIndex_; }
    void SetSelectedIndex(int column);
    TField *SelectedField() const;
    // The data row of the current record, -1 when there is none.
    int Row() const;
    // The data set has switched its controls off (see above).
    bool DisplaySuspended() const;
    int TitleRowHeight() const { return titleHeight_; }
    int VisibleRowCount() const;

    // Incremental search state: the text the search window shows, the
    // window itself and the timer that closes it.
    QString SearchText() const;
    QLabel *SearchWindow() const { return searchWindow_; }
    QTimer *SearchTimer() const { return searchTimer_; }
    void CloseSearchWindow();

    // Events. OnLocate lets the owner find the record for a search text
    // (return true when found); otherwise the data set's Locate runs.
    std::function<void(TI_DBGrid *sender)> OnDblClick;
    std::function<void(TColumn *column)> OnTitleClick;
    std::function<void(TColumn *column)> OnCellClick;
    std::function<bool(TI_DBGrid *sender, TField *field, const QVariant &value)> OnLocate;

    // Called by the columns.
    void ColumnsChanged();
    void ColumnWidthChanged(TColumn *column);
    void ColumnTitleChanged();

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void changeEvent(QEvent *event) override;
    bool viewportEvent(QEvent *event) override;
    void currentChanged(const QModelIndex &current, const QModelIndex &previous) override;

private:
    friend class TGridTitleBar;
    friend class TGridCellDelegate;

    void TitleClick(int column, Qt::KeyboardModifiers modifiers);
    void AutoSizeColumns(int given = -1);
    void ApplyColumnWidths();
    void UpdateTitleHeight();
    void UpdateTitles();
    void UpdateRowHeight();
    void UpdateFrame();
    void FollowDataSet(int row);
    void MoveTo(int row, int column);
    bool Navigate(QKeyEvent *event);
    void DoAutoSearch(QKeyEvent *event);
    bool LocateSearchText(const QString &text);
    void ShowSearchWindow(const QString &text);
    int LineWidth() const { return options_.testFlag(dgColLines) ? 1 : 0; }
    int RowLineWidth() const { return options_.testFlag(dgRowLines) ? 1 : 0; }
    QList<int> VisibleColumns() const;

    TGridDataModel *model_;
    TGridTitleBar *titleBar_;
    TDBGridColumns columns_{this};
    TDBGridOptions options_ = kDefaultDBGridOptions;
    bool readOnly_ = false;
    bool autoSearch_ = false;
    int defaultRowHeight_ = 17;
    QFont titleFont_;
    bool dataDragging_ = false;
    bool useCustomizeDialog_ = false;
    bool firstCharUpper_ = false;
    TColor color_ = clWindow;
    TColor fixedColor_ = clBtnFace;
    int borderStyle_ = bsSingle;
    int selectedIndex_ = 0;
    int titleHeight_ = 17;
    bool syncing_ = false;        // the view follows the data set
    bool applyingWidths_ = false; // section sizes set by the grid itself
    QLabel *searchWindow_;
    QTimer *searchTimer_;
    int searchColumn_ = -1;
};
