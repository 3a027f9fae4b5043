// What the import and copy-out windows share: their help topics (pages
// under data/help/) and the plain button they add to a row.
#pragma once

#include <QString>
#include <QStringList>
#include <functional>
#include <initializer_list>
#include <vector>

#include "ui/qt_classes.h"

namespace qv {

constexpr int kTopicAsciiImport = 1100;
constexpr int kTopicAsciiMatch = 1101;
constexpr int kTopicCopyOut = 1102;
constexpr int kTopicDbfImport = 1103;
constexpr int kTopicDbfMatch = 1104;
constexpr int kTopicCsvImport = 1105;
constexpr int kTopicCsvMatch = 1106;
constexpr int kTopicVcardImport = 1107;

// A button that Enter does not press, added to `row`.
QPushButton* AddButton(const QString& text, QWidget* parent, QBoxLayout* row);

// The match windows' "Quorvane Data Fields" panel: a button per caption,
// three to a row, each handed to `click`; the buttons go into `buttons`.
QGroupBox* FieldButtonPanel(const QStringList& captions, QWidget* parent,
                            std::vector<QPushButton*>* buttons,
                            const std::function<void(QPushButton*)>& click);

// Makes Enter take the furthest of `steps` (in their order) that is
// enabled, following them as they are enabled and disabled: Select, then
// Match, then Import.
void DefaultToFurthestStep(std::initializer_list<QPushButton*> steps);

}  // namespace qv
