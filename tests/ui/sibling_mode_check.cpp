// The program built as the sibling product's companion: no document commands, no document
// menu, the sibling's preference type, and the open slot opens nothing.
#include <gtest/gtest.h>

#include "app/preferences.h"
#include "foundation/file_ref.h"
#include "framework/menus.h"
#include "ui/application.h"
#include "ui/commands.h"
#include "ui/ui_state.h"
#include "program_support.h"

TEST(SiblingMode, LeavesOutTheDocumentCommandsAndOpensNothing)
{
    ASSERT_TRUE(kSiblingMode);
    start_program_for_tests();
    EXPECT_EQ(ui_state().items.close, nullptr);
    EXPECT_EQ(ui_state().items.document_menu, nullptr);
    MenuBar* bar = CurrentMenuBar();
    ASSERT_NE(bar, nullptr);
    EXPECT_EQ(bar->menu_count, 3);  // File, Edit, Help
    // File keeps only the settings and quit items and the separator between them.
    EXPECT_EQ(bar->menus[0]->item_count, 3);
    document_event_open(nullptr, corpus_path("pil_chi.gif").c_str());
    EXPECT_EQ(current_document(), nullptr);
}
