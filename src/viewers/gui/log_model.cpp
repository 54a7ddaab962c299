#include "viewers/gui/log_model.h"

#include <QColor>

namespace pkt {

TLogModel::TLogModel(const std::vector<std::string>& columns, RowTexts texts, RowColour colour, QObject* parent)
    : QAbstractTableModel(parent), texts_(std::move(texts)), colour_(std::move(colour)) {
  for (const auto& c : columns) columns_ << QString::fromStdString(c);
}

void TLogModel::SetRowCount(std::uint32_t count) {
  beginResetModel();
  count_ = count;
  cachedRow_ = -1;
  endResetModel();
}

int TLogModel::rowCount(const QModelIndex& parent) const {
  if (parent.isValid()) return 0;
  // The list's rows are ints; a log can never hold more records than that.
  return count_ > static_cast<std::uint32_t>(INT32_MAX) ? INT32_MAX : static_cast<int>(count_);
}

int TLogModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : columns_.size(); }

bool TLogModel::FetchRow(std::uint32_t row) const {
  if (cachedRow_ == static_cast<std::int64_t>(row)) return true;
  try {
    texts_(row, cells_);
    cachedColour_ = colour_ ? colour_(row) : TKindColour::Black;
  } catch (...) {
    // A row that cannot be read paints empty; the list stays usable.
    cachedRow_ = -1;
    return false;
  }
  cachedTexts_.clear();
  for (const auto& c : cells_) cachedTexts_ << QString::fromStdString(c);
  cachedRow_ = row;
  return true;
}

QVariant TLogModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || index.row() < 0 || static_cast<std::uint32_t>(index.row()) >= count_) return {};
  if (role != Qt::DisplayRole && role != Qt::ForegroundRole && role != Qt::ToolTipRole) return {};
  if (role == Qt::ForegroundRole && index.column() != kKindColumn) return {};
  if (!FetchRow(static_cast<std::uint32_t>(index.row()))) return {};
  if (role == Qt::ForegroundRole) return Colour(cachedColour_);
  if (index.column() >= cachedTexts_.size()) return {};
  return cachedTexts_[index.column()];
}

QVariant TLogModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation == Qt::Horizontal && role == Qt::DisplayRole && section >= 0 && section < columns_.size())
    return columns_[section];
  return QAbstractTableModel::headerData(section, orientation, role);
}

QColor TLogModel::Colour(TKindColour colour) {
  switch (colour) {
    case TKindColour::Blue: return QColor(0x00, 0x00, 0xFF);
    case TKindColour::Green: return QColor(0x00, 0x80, 0x00);
    case TKindColour::Red: return QColor(0xFF, 0x00, 0x00);
    case TKindColour::Black: break;
  }
  return QColor(0x00, 0x00, 0x00);
}

}  // namespace pkt
