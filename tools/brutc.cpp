// brutc SOURCE OUT: compiles a readable scene source into a "BRUT" 1.6 scene
// file, as the game reads from "models/".
//
// The source is XML. The document is one <scene> holding exactly one node,
// the root; nodes nest to make the tree, children in document order:
//
//   <scene [reserve="N"]>               N: a count for node type 0 (no nodes)
//     <node ...>                        a plain node (a group)
//       <sprite texture="300" size="96 32" [offset="dx dy"] .../>
//       <text text="5:100" font="3" size="w h" [flags="centre"] [spacing="0"]
//             [line="0"] .../>
//       <button ...> children: the looks of its states </button>
//       <options ...>
//         <option> the nodes of option 0 </option>
//         <option> the nodes of option 1 </option>
//         nodes outside any <option> are children in no option
//       </options>
//       <key frames="10" [from-pos="x y"] [to-pos="x y"] .../>
//     </node>
//   </scene>
//
// Attributes of every node (what the node holds once read):
//   tag="N"          applied when at least 1 (222 on a text: a plain font, the
//                    style kept as built)
//   pos="x y [z]"    position in points; for a text, the centre of its box
//   anchor="x y"     the point turned and scaled about (not on texts)
//   rot="z" | rot="x y z"   degrees
//   scale="s" | scale="x y [z]"
//   skew="x y"       degrees
//   color="r g b [a]"  the node's own colour, 0-255 (alpha 255 when left out;
//                    alpha 0 hides the node); none: the node inherits
//   opaque="1"       drawn without blending (sprites; a group passes it on)
//   loop="F"         the frame a looping animation starts again from
// Positions, anchors, angles and skews are rounded to whole numbers and node
// scales to hundredths as the game reads them (halves go down); sprite and
// text scales are kept.
// Sprites: texture (the sprite id or picture number), size (the picture's
// size, kept only when it is too large to load at once), offset (the
// picture's centre from the node's position).
// Texts: text ("bank:index", a number or "none"), font (0-12, the scene font
// table), size (the box), flags (bottom right centre middle above, or a
// number; middle is always added), spacing and line (pixels added to the
// font's character spacing and line height).
// Keys: one segment of the node's animation, frames long (30 a second),
// from one pose to another; the pose moves the node's children, not the node.
// Pose attributes after "from-" and "to-": pos, rot (about z), scale, skew,
// color ("r g b [a]", 255 meaning the channel as it is). Leaving one out gives
// position 0, scale 1, angle 0 and full colour.
//
// Exit status 0 when the file was written; 1 with "SOURCE:LINE: message" on
// the error stream otherwise.
#include <cstdio>
#include <string>

#include "tools/scene_source.h"

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: brutc SOURCE OUT\n");
    return 2;
  }
  SceneSource::Scene scene;
  std::string error;
  if (!SceneSource::parseSceneFile(argv[1], scene, error)) {
    std::fprintf(stderr, "%s\n", error.c_str());
    return 1;
  }
  if (!SceneSource::compileScene(scene).write(argv[2])) {
    std::perror(argv[2]);
    return 1;
  }
  return 0;
}
