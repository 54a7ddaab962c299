#pragma once
// The virtual list of a viewer: the model holds only the row count and reads
// each row's texts from the viewer when the list paints it.
#include <QAbstractTableModel>
#include <QStringList>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "viewers/viewer_common.h"

namespace pkt {

class TLogModel : public QAbstractTableModel {
  Q_OBJECT
 public:
  // The texts of all cells of one row (UTF-8), and the colour of its "Тип" cell.
  using RowTexts = std::function<void(std::uint32_t row, std::vector<std::string>& cells)>;
  using RowColour = std::function<TKindColour(std::uint32_t row)>;

  // The column of the "Тип" cell, the only one whose font colour follows the kind.
  static constexpr int kKindColumn = 1;

  TLogModel(const std::vector<std::string>& columns, RowTexts texts, RowColour colour, QObject* parent = nullptr);

  // Sets the row count (inside a begin/end reset: the views forget their rows).
  void SetRowCount(std::uint32_t count);
  std::uint32_t RowCount() const { return count_; }

  int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  int columnCount(const QModelIndex& parent = QModelIndex()) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

  // The font colour of a kind colour class.
  static QColor Colour(TKindColour colour);

 private:
  // Reads the row's texts unless they are the ones read last (the list asks
  // cell by cell).
  bool FetchRow(std::uint32_t row) const;

  QStringList columns_;
  RowTexts texts_;
  RowColour colour_;
  std::uint32_t count_ = 0;
  mutable std::int64_t cachedRow_ = -1;
  mutable std::vector<std::string> cells_;
  mutable QStringList cachedTexts_;
  mutable TKindColour cachedColour_ = TKindColour::Black;
};

}  // namespace pkt
