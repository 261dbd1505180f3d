// How the information, list, search and help screens make their views:
// from their screen definitions, with a plain fallback so that a missing
// or damaged definition leaves a usable (if bare) screen.
//
// Thread rules: main thread only.
#pragma once

#include <memory>
#include <string_view>

#include "platform/uikit/table_view.h"
#include "platform/uikit/view_controller.h"

// Loads the definition with the screen as the owner of its outlets and
// actions; without a view from it (a message on standard error) the screen
// gets a plain view of the screen's size.
void loadScreenDefinition(ui::ViewController& screen, std::string_view name);

// `table` when the definition gave one; else a new themed table filling
// `view`, added to it.
std::shared_ptr<ui::TableView> tableOrNew(std::shared_ptr<ui::TableView> table, ui::View& view);
