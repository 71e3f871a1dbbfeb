#include "note/note_settings.h"

#include <algorithm>
#include <cmath>

#include "note/layout.h"
#include "platform/twips.h"
#include "storage/colour_value.h"

namespace varnel {
namespace {

// The design size is the text box's design size plus its margins with the web strip hidden.
static_assert(kDesignNoteWidth == kDesignTextWidth + 600);
static_assert(kDesignNoteHeight == kDesignTextHeight + 600);

bool IsFontSize(float points) { return std::isfinite(points) && points > 0 && points <= kLargestFontSize; }

// Assigns the record's value when it is set and passes the test.
template <typename Target, typename Value, typename Test>
void Take(Target& target, const std::optional<Value>& value, Test usable) {
  if (value && usable(*value)) target = static_cast<Target>(*value);
}

}  // namespace

NoteSettings SettingsFromRecord(const NoteRecord& record) {
  NoteSettings settings;
  const auto always = [](const auto&) { return true; };
  const auto windowTwips = [](float twips) { return IsWindowTwips(twips); };
  settings.textPath = record.textPath.value_or(std::wstring());
  Take(settings.left, record.left, windowTwips);
  Take(settings.top, record.top, windowTwips);
  // A note is never smaller than its margins, so the text box never gets a negative size.
  Take(settings.width, record.width, windowTwips);
  Take(settings.height, record.height, windowTwips);
  settings.width = std::max(settings.width, kMinNoteWidth);
  settings.height = std::max(settings.height, kMinNoteHeight);
  Take(settings.backColour, record.backColor, IsUsableColour);
  Take(settings.fontName, record.fontName, [](const std::wstring& name) { return !name.empty(); });
  Take(settings.fontSize, record.fontSize, IsFontSize);
  Take(settings.textColour, record.foreColor, IsUsableColour);
  Take(settings.bold, record.bold, always);
  Take(settings.italic, record.italic, always);
  Take(settings.webStripVisible, record.webVisible, always);
  return settings;
}

NoteValues ValuesToWrite(const NoteSettings& settings) {
  NoteValues values;
  values.textPath = settings.textPath;
  values.left = static_cast<float>(settings.left);
  values.top = static_cast<float>(settings.top);
  values.width = static_cast<float>(settings.width);
  values.height = static_cast<float>(settings.height);
  values.backColor = settings.backColour;
  values.fontName = settings.fontName;
  values.fontSize = settings.fontSize;
  values.foreColor = settings.textColour;
  values.bold = settings.bold;
  values.italic = settings.italic;
  values.webVisible = settings.webStripVisible;
  return values;
}

}  // namespace varnel
