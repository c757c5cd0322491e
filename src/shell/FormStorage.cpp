#include "FormStorage.h"

#include "framework/IniFile.h"
#include "text/Cp1251.h"

#include <QGuiApplication>
#include <QHeaderView>
#include <QScreen>
#include <QWidget>

#include <algorithm>
#include <climits>
#include <optional>

using namespace Qt::StringLiterals;

namespace {

const QString kColumnPrefix = u"TableViewGrid."_s;

// Anything outside these bounds in the file is damage, not a choice the user made.
constexpr int kMaxColumnIndex = 10000;
constexpr int kMinColumnWidth = 10;
constexpr int kMaxColumnWidth = 2000;
constexpr int kMaxHeight = 10000;
constexpr QSize kMinWindowSize(200, 150);
constexpr int kTitleHeight = 30;
constexpr int kMinVisibleTitle = 100;

enum StoredWindowState { StateNormal = 0, StateMinimized = 1, StateMaximized = 2 };

std::optional<int> ToInt(const QString& text, int min, int max) {
    bool ok = false;
    const int value = text.trimmed().toInt(&ok);
    if (!ok || value < min || value > max) return std::nullopt;
    return value;
}

// A window stored at `frame` goes back there when its title bar can still be reached on some
// screen; otherwise it is centred on the primary screen. Either way it fits on the screen.
QRect PlaceOnScreen(QRect frame) {
    QScreen* target = QGuiApplication::primaryScreen();
    if (!target) return frame;
    bool reachable = false;
    const QRect title(frame.left(), frame.top(), frame.width(), kTitleHeight);
    for (QScreen* screen : QGuiApplication::screens()) {
        const QRect visible = screen->availableGeometry().intersected(title);
        if (visible.height() == kTitleHeight &&
            visible.width() >= std::min(kMinVisibleTitle, frame.width())) {
            target = screen;
            reachable = true;
            break;
        }
    }
    const QRect area = target->availableGeometry();
    frame.setSize(frame.size().expandedTo(kMinWindowSize).boundedTo(area.size()));
    if (!reachable) frame.moveCenter(area.center());
    return frame;
}

} // namespace

TFormStorage::TFormStorage(QString iniFileName, QString iniSection)
    : m_iniFileName(std::move(iniFileName)), m_iniSection(std::move(iniSection)) {}

bool TFormStorage::LightPresense() const {
    const QString value = StoredValue(TStoredValue::FLightPresense);
    return value.isEmpty() || value == u"1";
}

void TFormStorage::LoadStoredValues() {
    ReadStoredValues(TIniFile(m_iniFileName));
}

void TFormStorage::SaveStoredValues() {
    TIniFile ini(m_iniFileName);
    WriteStoredValues(ini);
    ini.UpdateFile();
}

void TFormStorage::SaveStoredValues(std::initializer_list<std::pair<TStoredValue, QString>> changes) {
    const auto before = m_values;
    for (const auto& [value, text] : changes)
        SetStoredValue(value, text);
    try {
        SaveStoredValues();
    } catch (...) {
        m_values = before;
        throw;
    }
}

void TFormStorage::ReadStoredValues(const TIniFile& ini) {
    for (const TStoredValue value : kStoredValues)
        SetStoredValue(value, ini.ReadString(m_iniSection, StoredValueName(value)));
}

void TFormStorage::WriteStoredValues(TIniFile& ini) const {
    for (const TStoredValue value : kStoredValues)
        ini.WriteString(m_iniSection, StoredValueName(value), StoredValue(value));
}

void TFormStorage::AttachWindow(QWidget* window) {
    m_window = window;
}

void TFormStorage::AttachHeight(const QString& name, std::function<int()> get, std::function<void(int)> set) {
    m_heights.append({name + u".Height"_s, std::move(get), std::move(set)});
}

void TFormStorage::AttachGrid(TGridBinding grid) {
    m_grids.append(std::move(grid));
}

void TFormStorage::AttachViewState(std::function<TViewState()> viewState) {
    m_viewState = std::move(viewState);
}

void TFormStorage::RestoreFormPlacement() {
    const TIniFile ini(m_iniFileName);
    if (m_window) RestoreWindow(ini);
    for (const THeight& height : m_heights)
        if (auto value = ToInt(ini.ReadString(m_iniSection, height.Name), 0, kMaxHeight)) height.Set(*value);
    for (const TGridBinding& grid : m_grids) {
        const QList<TColumnLayout> columns = ReadGridLayout(ini, grid.TableViewName);
        if (!columns.isEmpty()) grid.ApplyColumns(columns);
    }
    ReadStoredValues(ini);
}

void TFormStorage::SaveFormPlacement() {
    TIniFile ini(m_iniFileName);
    if (m_window) WriteWindow(ini);
    for (const THeight& height : m_heights)
        ini.WriteString(m_iniSection, height.Name, QString::number(height.Get()));
    for (const TGridBinding& grid : m_grids)
        WriteGridLayout(ini, grid.TableViewName, grid.Columns());
    WriteStoredValues(ini);
    ini.UpdateFile();
}

void TFormStorage::SaveViewState() {
    if (m_viewState) {
        const TViewState state = m_viewState();
        SetStoredValue(TStoredValue::Price_Data_Sort, state.Sort);
        SetStoredValue(TStoredValue::Price_Data_Filter, state.Filter);
    }
    SaveStoredValues();
}

void TFormStorage::RestoreWindow(const TIniFile& ini) {
    auto read = [&](const QString& key, int min, int max) {
        return ToInt(ini.ReadString(m_iniSection, key), min, max);
    };
    const auto left = read(u"Left"_s, INT_MIN, INT_MAX);
    const auto top = read(u"Top"_s, INT_MIN, INT_MAX);
    const auto width = read(u"Width"_s, INT_MIN, INT_MAX);
    const auto height = read(u"Height"_s, INT_MIN, INT_MAX);
    if (!left || !top || !width || !height) return;
    const QRect frame = PlaceOnScreen(QRect(*left, *top, *width, *height));
    m_window->setWindowState(m_window->windowState() & ~(Qt::WindowMaximized | Qt::WindowMinimized));
    m_window->resize(frame.size());
    m_window->move(frame.topLeft());
    // A window that starts minimized is easily lost: it comes back normal.
    if (read(u"WindowState"_s, StateNormal, StateMaximized) == StateMaximized)
        m_window->setWindowState(m_window->windowState() | Qt::WindowMaximized);

    const QString focused = ini.ReadString(m_iniSection, u"ActiveControl"_s);
    if (!focused.isEmpty())
        if (auto* control = m_window->findChild<QWidget*>(focused)) control->setFocus();
}

void TFormStorage::WriteWindow(TIniFile& ini) const {
    const int state = m_window->isMaximized()   ? StateMaximized
                      : m_window->isMinimized() ? StateMinimized
                                                : StateNormal;
    // Position with the frame, size without it, as move() and resize() take them.
    QPoint position = m_window->pos();
    QSize size = m_window->size();
    if (state != StateNormal) {
        const QRect normal = m_window->normalGeometry();
        position = normal.topLeft() - (m_window->geometry().topLeft() - m_window->pos());
        size = normal.size();
    }
    ini.WriteString(m_iniSection, u"WindowState"_s, QString::number(state));
    ini.WriteString(m_iniSection, u"Left"_s, QString::number(position.x()));
    ini.WriteString(m_iniSection, u"Top"_s, QString::number(position.y()));
    ini.WriteString(m_iniSection, u"Width"_s, QString::number(size.width()));
    ini.WriteString(m_iniSection, u"Height"_s, QString::number(size.height()));
    const QWidget* focused = m_window->focusWidget();
    ini.WriteString(m_iniSection, u"ActiveControl"_s, focused ? focused->objectName() : QString());
}

QString TFormStorage::GridSection(const QString& tableViewName) const {
    return m_iniSection + u'\\' + tableViewName + u"TableViewGrid"_s;
}

QList<TColumnLayout> TFormStorage::ReadGridLayout(const QString& tableViewName) const {
    return ReadGridLayout(TIniFile(m_iniFileName), tableViewName);
}

QList<TColumnLayout> TFormStorage::ReadGridLayout(const TIniFile& ini, const QString& tableViewName) const {
    QList<TColumnLayout> columns;
    for (const auto& [key, value] : ini.ReadSectionValues(GridSection(tableViewName))) {
        if (!SameText(QStringView(key).left(kColumnPrefix.size()), kColumnPrefix)) continue;
        const QStringList parts = value.split(u',');
        if (parts.size() != 2) continue;
        const auto index = ToInt(parts[0], 0, kMaxColumnIndex);
        const auto width = ToInt(parts[1], INT_MIN, INT_MAX);
        if (!index || !width || key.size() == kColumnPrefix.size()) continue;
        columns.append(
            {key.mid(kColumnPrefix.size()), *index, std::clamp(*width, kMinColumnWidth, kMaxColumnWidth)});
    }
    std::stable_sort(columns.begin(), columns.end(),
                     [](const TColumnLayout& a, const TColumnLayout& b) { return a.Index < b.Index; });
    return columns;
}

void TFormStorage::SaveGridLayout(const QString& tableViewName, const QList<TColumnLayout>& columns) {
    TIniFile ini(m_iniFileName);
    WriteGridLayout(ini, tableViewName, columns);
    ini.UpdateFile();
}

void TFormStorage::WriteGridLayout(TIniFile& ini, const QString& tableViewName,
                                   const QList<TColumnLayout>& columns) const {
    const QString section = GridSection(tableViewName);
    ini.EraseSection(section);
    for (const TColumnLayout& column : columns)
        ini.WriteString(section, kColumnPrefix + column.FieldName,
                        u"%1,%2"_s.arg(column.Index).arg(column.Width));
}

QList<bool> TFormStorage::ReadCheckMarks(const QString& listName, int count) const {
    const TIniFile ini(m_iniFileName);
    const QString section = m_iniSection + u'\\' + listName;
    QList<bool> marks;
    for (int i = 0; i < count; ++i)
        marks.append(ini.ReadString(section, u"Checked%1"_s.arg(i)) == u"1");
    return marks;
}

void TFormStorage::SaveCheckMarks(const QString& listName, const QList<bool>& marks) {
    TIniFile ini(m_iniFileName);
    const QString section = m_iniSection + u'\\' + listName;
    ini.EraseSection(section);
    for (qsizetype i = 0; i < marks.size(); ++i)
        ini.WriteString(section, u"Checked%1"_s.arg(i), marks[i] ? u"1"_s : u"0"_s);
    ini.UpdateFile();
}

TGridBinding TFormStorage::HeaderBinding(QString tableViewName, QHeaderView* header,
                                         const std::function<QString(int)>& fieldName) {
    auto columns = [header, fieldName] {
        QList<TColumnLayout> layout;
        for (int logical = 0; logical < header->count(); ++logical)
            layout.append({fieldName(logical), header->visualIndex(logical), header->sectionSize(logical)});
        return layout;
    };
    // The stored columns take the first places in their stored order; any other column follows.
    auto apply = [header, fieldName](const QList<TColumnLayout>& layout) {
        QList<bool> placed(header->count(), false);
        int next = 0;
        for (const TColumnLayout& column : layout) {
            for (int logical = 0; logical < header->count(); ++logical) {
                if (placed[logical] || !SameText(fieldName(logical), column.FieldName)) continue;
                placed[logical] = true;
                header->moveSection(header->visualIndex(logical), next++);
                header->resizeSection(logical, column.Width);
                break;
            }
        }
    };
    return {std::move(tableViewName), columns, apply};
}
