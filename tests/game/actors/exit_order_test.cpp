// Scene trees kept for the whole run are freed by static destruction, after
// or before the process-wide text node list and font registry in no set
// order: the process must still end cleanly (the sanitizer build shows it).
#include <gtest/gtest.h>

#include <cstdlib>

#include "game/actors/ActorTemplates.h"
#include "render_engine/CNodeText.h"

namespace {

using RenderEngine::CNode;
using RenderEngine::CNodeText;

// Kept trees made before the first text node, the order in which the game
// builds them: the keeper is then destroyed last.
[[noreturn]] void keepTextTreesAndExit() {
  EXPECT_EQ(ActorTemplates::readCount("hud.bin"), 0);
  auto* hud = new CNode;
  hud->addChild(new CNodeText("missing.ttf", 12, 2, CNodeText::kNoText));
  hud->addChild(new CNodeText("missing.ttf", 12, 2, CNodeText::kNoText));
  hud->addChild(new CNodeText("missing.ttf", 10, CNodeText::kNoText));
  ActorTemplates::install("hud.bin", hud);
  // A copy held by another keeper, as the level screens do.
  ActorTemplates::install("copy.bin", ActorTemplates::copyOf(ActorTemplates::get("hud.bin")));
  std::exit(CNodeText::allTextNodes().size() == 6 ? 0 : 2);
}

TEST(ExitOrder, KeptTextTreesOutliveTheTextNodeListAndFonts) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(keepTextTreesAndExit(), testing::ExitedWithCode(0), "");
}

}  // namespace
