// Helpers for the pages' field lists.
#pragma once

#include <string>
#include <vector>

#include <cstdint>
#include <map>
#include <optional>

class QListWidget;
class QPushButton;
class QString;
class TRadioGroup;

// Moves the selected row of a list one place up (-1) or down (+1) and selects it
// there; false when there is no selected row or no room to move.
bool moveSelectedRow(QListWidget* list, int step);
// The selected row, or -1.
int selectedRow(const QListWidget* list);
// Leaves no row selected and no current row.
void clearRowSelection(QListWidget* list);
// The texts of a list's rows, as 8-bit texts.
std::vector<std::string> listTexts(const QListWidget* list);
// A small button showing a large glyph (the up and down hands, the scissors).
void pictureButton(QPushButton* button, const QString& glyph);
// A row read from a settings file: selected when the list has it, else none.
void restoreRow(QListWidget* list, std::int32_t row);
// An item read from a settings file: below -1 is none; past the last item is the last.
void restoreItem(TRadioGroup* group, std::int32_t index);
// A number kept in the settings file's extension block; nothing when it is missing or
// no number.
std::optional<int> settingNumber(const std::map<std::string, std::string>& extension,
                                 const std::string& key);
