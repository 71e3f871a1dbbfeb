// The string table as the program reads it: texts come back whole, Japanese intact (the table is
// UTF-8 and a wrong code page would garble it), with what the program inserts in its place.

#include <gtest/gtest.h>

#include "platform/texts.h"

namespace varnel {
namespace {

TEST(Texts, ComeBackExactlyAsTheUserSeesThem) {
  EXPECT_EQ(LoadText(IDS_MAIN_CAPTION), L" Varnel ver2.0");
  EXPECT_EQ(LoadText(IDS_MENU_WEB_STRIP), L"WebツールバーON/OFF");
  EXPECT_EQ(LoadText(IDS_NOTE_TOOLTIP, {L"C:\\memo\\メモ.txt"}), L"内容はﾃｷｽﾄﾌｧｲﾙ[ C:\\memo\\メモ.txt ]とﾘﾝｸされています");
  EXPECT_EQ(LoadText(IDS_DISCARD_QUESTION, {L"C:\\a.txt"}),
            L"この付箋紙を削除します。編集中の内容は失われます。よろしいですか？\r\n"
            L"( ﾃｷｽﾄﾌｧｲﾙ[ C:\\a.txt ]は削除されません。 )\r\n"
            L"\r\n"
            L"編集中の内容をﾃｷｽﾄﾌｧｲﾙに反映するには「ﾃｷｽﾄﾃﾞｰﾀの上書き保存」を実行してください。");
  EXPECT_EQ(LoadText(IDS_TEXT_NOT_SAVED, {L"C:\\a.txt", L"reason"}), L"ﾃｷｽﾄﾌｧｲﾙ[ C:\\a.txt ]に保存できませんでした。\r\nreason");
}

TEST(Texts, EveryEntryIsThereAndAnUnknownOneIsEmpty) {
  for (UINT id : {IDS_APPLICATION_TITLE, IDS_MAIN_CAPTION, IDS_DROP_HINT, IDS_ALREADY_RUNNING, IDS_NOT_STARTED,
                  IDS_FOLDER_NOT_WRITABLE, IDS_NOTE_NOT_CREATED, IDS_NOTE_TOOLTIP, IDS_MENU_FONT, IDS_MENU_TEXT_COLOUR,
                  IDS_MENU_BACK_COLOUR, IDS_MENU_WEB_STRIP, IDS_MENU_RELOAD, IDS_MENU_OVERWRITE_SAVE, IDS_MENU_DISCARD,
                  IDS_DISCARD_QUESTION, IDS_TEXT_NOT_SAVED, IDS_RECORD_NOT_DELETED, IDS_TEXT_NOT_READ,
                  IDS_UNREADABLE_HEADING, IDS_UNREADABLE_ENTRY, IDS_UNSAVED_HEADING,
                  IDS_LOST_HEADING, IDS_MORE_ENTRIES, IDS_ERROR_NUMBER}) {
    EXPECT_FALSE(LoadText(id).empty()) << id;
  }
  EXPECT_EQ(LoadText(9999), L"");
}

}  // namespace
}  // namespace varnel
