#!/usr/bin/env python3
"""Writes data/scenes/main-menu.xml, the menu's scene source, from the layout
below (the 25 level buttons and eight map buttons are too regular to keep by
hand). Run it from the repository's top folder after changing the layout:

    python3 tools/make_menu_scene.py > data/scenes/main-menu.xml

Sprite ids are those of data/textures/20-menu.txt; text ids those of
data/text/*.txt (bank 4: the menu's words, bank 7: the map names, bank 1:
language names and the coloured numbers)."""

import sys

out = []


def emit(depth, line):
    out.append("  " * depth + line)


# --- pictures (sprite id, width, height in pixels; shown at half scale) ----
BACKDROP = (1390, 960, 640)
PAGE_BACKDROP = (1391, 960, 640)
LOGO = (1392, 960, 640)
PLAY = (1300, 300, 84)
ROUND = (1302, 92, 92)
ROUND_RED = (1303, 92, 92)
ICONS = {"help": 1304, "info": 1305, "trophy": 1306, "gear": 1307, "quit": 1308, "play": 1309}
PLAQUE = (1310, 220, 64)
STAR_SMALL = (1311, 32, 32)
WORDMARK = (1312, 640, 160)
HEADING = (1313, 440, 68)
OPTIONS_PANEL = (1320, 880, 500)
TRACK = (1321, 352, 20)
KNOB = (1322, 44, 44)
MINUS = (1323, 52, 52)
PLUS = (1324, 52, 52)
TOGGLE = (1325, 120, 52)
TOGGLE_ON = (1326, 120, 52)
LANG = (1327, 148, 52)
LANG_ON = (1328, 148, 52)
OK = (1329, 180, 60)
OPT_ICONS = {"sound": 1330, "music": 1331, "screen": 1332, "globe": 1333}
MAP_PICTURES = [1340 + i for i in range(8)]
MAP_PICTURE_SIZE = (184, 120)
MAP_FRAME = (1350, 204, 140)
LOCK = (1351, 40, 48)
LOCK_BIG = (1352, 56, 64)
TILE_OPEN = (1360, 92, 92)
TILE_LOCKED = (1361, 92, 92)
STARS = {"bronze": 1362, "silver": 1363, "gold": 1364, "empty": 1365}
STAR_SIZE = (26, 26)
BANNER_FRAME = (1366, 236, 276)
BANNER_PICTURE = (1367, 0, 0)  # not used: the map pictures are shown larger
INFO_PANEL = (1370, 776, 440)
INFO_SHEEP = (1371, 120, 100)


def sprite(d, pic, x=0, y=0, scale=0.5, color=None, opaque=False, size=None):
    sid, w, h = pic if size is None else (pic[0], size[0], size[1])
    attrs = f'texture="{sid}" size="{w} {h}"'
    if x or y:
        attrs += f' pos="{x} {y}"'
    if scale != 1:
        attrs += f' scale="{scale}"'
    if color:
        attrs += f' color="{color}"'
    if opaque:
        attrs += ' opaque="1"'
    emit(d, f"<sprite {attrs}/>")


def text(d, tid, font, w, h, x=0, y=0, tag=None, flags="centre", color=None, scale=None):
    attrs = f'text="{tid}" font="{font}" size="{w} {h}"'
    if x or y:
        attrs += f' pos="{x} {y}"'
    if tag:
        attrs = f'tag="{tag}" ' + attrs
    if flags:
        attrs += f' flags="{flags}"'
    if color:
        attrs += f' color="{color}"'
    if scale:
        attrs += f' scale="{scale}"'
    emit(d, f"<text {attrs}/>")


def key(d, frames, **pose):
    attrs = f'frames="{frames}"'
    for name, value in pose.items():
        attrs += f' {name.replace("_", "-")}="{value}"'
    emit(d, f"<key {attrs}/>")


def options(d, bodies, attrs=""):
    """An option list: bodies[n](d) writes the nodes of option n."""
    emit(d, f"<options{' ' + attrs if attrs else ''}>")
    for body in bodies:
        emit(d + 1, "<option>")
        body(d + 2)
        emit(d + 1, "</option>")
    emit(d, "</options>")


def pressed_look(d, body, up_scale=0.5, dy=2, at=(0, 0)):
    """A child of a button: frame 0 up, frame 1 held (a little smaller,
    darker and lower). body(d) writes what it shows, placed at "at" (the
    keys' pose places the children)."""
    held = int(up_scale * 93) / 100  # whole hundredths, as the game reads scales
    ox, oy = at
    emit(d, "<node>")
    key(d + 1, 1, from_pos=f"{ox} {oy}", to_pos=f"{ox} {oy}", from_scale=up_scale, to_scale=up_scale)
    key(d + 1, 1, from_pos=f"{ox} {oy + dy}", to_pos=f"{ox} {oy + dy}", from_scale=held, to_scale=held,
        from_color="200 200 200", to_color="200 200 200")
    body(d + 1)
    emit(d, "</node>")


# --- screen 0: the intro, played once after the logo ------------------------
def intro_page(d):
    emit(d, "<node>")
    emit(d + 1, "<!-- the meadow, then the name falling into place and the flock trotting in -->")
    sprite(d + 1, BACKDROP, 240, 160, opaque=True)
    emit(d + 1, "<node>")
    key(d + 2, 14, from_pos="240 -60", to_pos="240 66", from_color="255 255 255 0")
    key(d + 2, 6, from_pos="240 66", to_pos="240 54", from_scale="1.06 0.94", to_scale="1")
    key(d + 2, 6, from_pos="240 54", to_pos="240 58")
    key(d + 2, 16, from_pos="240 58", to_pos="240 58")
    emit(d + 2, "<node>")
    sprite(d + 3, WORDMARK)
    emit(d + 2, "</node>")
    emit(d + 1, "</node>")
    emit(d + 1, "<node>")
    key(d + 2, 16, from_pos="-60 0", to_pos="-60 0")
    key(d + 2, 26, from_pos="-60 0", to_pos="0 0", from_color="255 255 255 0")
    emit(d + 2, "<node>")
    flock(d + 3)
    emit(d + 2, "</node>")
    emit(d + 1, "</node>")
    # the splash picture on top, melting into the meadow
    emit(d + 1, "<node>")
    key(d + 2, 3, from_pos="240 160", to_pos="240 160", from_scale="0.5", to_scale="0.5")
    key(d + 2, 12, from_pos="240 160", to_pos="240 160", from_scale="0.5", to_scale="0.5", to_color="255 255 255 0")
    emit(d + 2, "<node>")
    sprite(d + 3, LOGO, scale=1)
    emit(d + 2, "</node>")
    emit(d + 1, "</node>")
    emit(d, "</node>")


def flock(d):
    # Sheep of the actors' sheet resting on the hills (sprite 308 is a large
    # sheep of the stand-in's sheet, drawn at 96x80).
    for x, y, s in ((52, 188, 0.42), (24, 200, 0.34), (440, 196, 0.38)):
        sprite(d, (308, 96, 80), x, y, scale=s)


# --- screen 1: the main screen ----------------------------------------------
MAIN_BUTTONS = [  # tag, picture, icon, caption text, x, y
    (426, ROUND, "help", "4:1", 84, 232),
    (427, ROUND, "info", "4:2", 162, 232),
    (428, ROUND, "trophy", "4:3", 240, 232),
    (429, ROUND, "gear", "4:4", 318, 232),
    (430, ROUND_RED, "quit", "4:5", 396, 232),
]


def main_button(d, tag, x, y, body):
    # The wrapper's keys place the button and fade it in when the page starts
    # (the menu hides the six buttons until their page plays).
    emit(d, '<node loop="10">')
    key(d + 1, 10, from_pos=f"{x} {y + 12}", to_pos=f"{x} {y}", from_scale="0.6", to_scale="1",
        from_color="255 255 255 0")
    key(d + 1, 1, from_pos=f"{x} {y}", to_pos=f"{x} {y}")
    emit(d + 1, f'<button tag="{tag}">')
    body(d + 2)
    emit(d + 1, "</button>")
    emit(d, "</node>")


def main_page(d):
    emit(d, "<node>")
    sprite(d + 1, BACKDROP, 240, 160, opaque=True)
    # drifting clouds (the page loops while it is shown)
    for y, start, frames, scale in ((34, -70, 900, 0.5), (70, 200, 1200, 0.36)):
        emit(d + 1, "<node>")
        key(d + 2, frames, from_pos=f"{start} {y}", to_pos=f"{start + 600} {y}", from_scale=scale, to_scale=scale)
        emit(d + 2, "<node>")
        sprite(d + 3, (304, 120, 60), scale=1)
        emit(d + 2, "</node>")
        emit(d + 1, "</node>")
    emit(d + 1, '<node pos="240 58">')
    sprite(d + 2, WORDMARK)
    emit(d + 1, "</node>")
    text(d + 1, "4:6", 5, 300, 18, 240, 102, tag=481)
    # the sheep that now and then hops (the idle animation: the first child of 66)
    emit(d + 1, '<node tag="66" pos="52 188">')
    emit(d + 2, "<node>")
    key(d + 3, 1)
    key(d + 3, 1)
    emit(d + 3, "<node>")
    key(d + 4, 5, from_scale="0.42", to_pos="0 -14", to_scale="0.42")
    key(d + 4, 5, from_pos="0 -14", from_scale="0.42", to_scale="0.44 0.4")
    key(d + 4, 4, from_scale="0.44 0.4", to_scale="0.42")
    key(d + 4, 12, from_scale="0.42", to_scale="0.42")
    sprite(d + 4, (308, 96, 80), scale=1)
    emit(d + 3, "</node>")
    emit(d + 2, "</node>")
    emit(d + 1, "</node>")
    for x, y, s in ((24, 200, 0.34), (440, 196, 0.38)):
        sprite(d + 1, (308, 96, 80), x, y, scale=s)

    def play_body(dd):
        pressed_look(dd, lambda d3: sprite(d3, PLAY, scale=1))
        pressed_look(dd, lambda d3: sprite(d3, (ICONS["play"], 56, 56), scale=1), at=(-46, 0))
        pressed_look(dd, lambda d3: text(d3, "4:0", 7, 100, 40), up_scale=1.0, at=(14, -1))

    main_button(d + 1, 425, 240, 160, play_body)
    for tag, pic, icon, caption, x, y in MAIN_BUTTONS:
        def body(dd, pic=pic, icon=icon, caption=caption):
            pressed_look(dd, lambda d3: sprite(d3, pic, scale=1))
            pressed_look(dd, lambda d3: sprite(d3, (ICONS[icon], 56, 56), scale=1))
            pressed_look(dd, lambda d3: text(d3, caption, 5, 76, 14), up_scale=1.0, at=(0, 32))
        main_button(d + 1, tag, x, y, body)
    # the totals: the score (477) and the share of the game completed (479)
    for tag, label, value_tag, x in ((404, "4:7", 477, 66), (405, "4:8", 479, 414)):
        emit(d + 1, f'<node tag="{tag}" pos="{x} 296">')
        sprite(d + 2, PLAQUE)
        text(d + 2, label, 5, 90, 14, 0, -7)
        text(d + 2, "1:10", 5, 90, 16, 0, 7, tag=value_tag, color="255 220 90")
        emit(d + 1, "</node>")
    text(d + 1, "4:9", 5, 200, 14, 240, 306, tag=478)
    emit(d, "</node>")


# --- screen 2: the help page's holder ("help.bin" is added to it) -----------
def help_holder(d):
    emit(d, "<node/>")


# --- screen 3: about the game; its panel (337) is placed by the menu --------
def info_page(d):
    emit(d, "<node>")
    sprite(d + 1, PAGE_BACKDROP, 240, 160, opaque=True)
    emit(d + 1, '<node pos="240 24">')
    sprite(d + 2, HEADING)
    text(d + 2, "4:80", 8, 200, 26, 0, -1)
    emit(d + 1, "</node>")
    emit(d + 1, '<node tag="337" pos="46 51">')
    sprite(d + 2, INFO_PANEL, 194, 110)
    sprite(d + 2, INFO_SHEEP, 330, 150)
    sprite(d + 2, WORDMARK, 194, 34, scale=0.32)
    text(d + 2, "4:82", 5, 250, 130, 146, 122, tag=222, flags="", color="70 50 30")
    emit(d + 1, "</node>")
    emit(d, "</node>")


# --- screen 4: options --------------------------------------------------------
def simple_button(d, tag, x, y, pic, content=None, at=(0, 0), content_scale=0.5):
    emit(d, f'<button tag="{tag}" pos="{x} {y}">')
    pressed_look(d + 1, lambda d2: sprite(d2, pic, scale=1))
    if content:
        pressed_look(d + 1, content, at=at, up_scale=content_scale)
    emit(d, "</button>")


def choice_button(d, tag, x, y, pic, pic_on, caption, font=5, w=64):
    # state 0: not chosen, state 1: chosen
    emit(d, f'<button tag="{tag}" pos="{x} {y}">')
    options(d + 1, [lambda dd: sprite(dd, pic), lambda dd: sprite(dd, pic_on)])
    text(d + 1, caption, font, w, 16, 0, -1)
    emit(d, "</button>")


def options_page(d):
    emit(d, "<node>")
    sprite(d + 1, PAGE_BACKDROP, 240, 160, opaque=True)
    sprite(d + 1, OPTIONS_PANEL, 240, 160)
    emit(d + 1, '<node pos="240 22">')
    sprite(d + 2, HEADING)
    text(d + 2, "4:20", 8, 200, 26, 0, -1)
    emit(d + 1, "</node>")
    # sound: - 434, knob 435 (x 177 + 16 * value), + 433; music: - 432, knob 436 (181 + 16 * value), + 431
    rows = (("sound", "4:21", 434, 435, 433, 177, 76), ("music", "4:22", 432, 436, 431, 181, 120))
    for icon, caption, minus, knob, plus, base, y in rows:
        sprite(d + 1, ROUND, 52, y, scale=0.34)
        sprite(d + 1, (OPT_ICONS[icon], 48, 48), 52, y, scale=0.42)
        # the knobs' grids differ by 4 points; the track, - and + line up in one column
        text(d + 1, caption, 5, 66, 18, 104, y, flags="")
        sprite(d + 1, TRACK, 259, y)
        simple_button(d + 1, minus, 153, y, MINUS, lambda d3: sprite(d3, (1334, 32, 32), scale=1))
        simple_button(d + 1, plus, 365, y, PLUS, lambda d3: sprite(d3, (1335, 32, 32), scale=1))
        emit(d + 1, f'<button tag="{knob}" pos="{base + 80} {y}">')
        pressed_look(d + 2, lambda d3: sprite(d3, KNOB, scale=1), dy=0)
        emit(d + 1, "</button>")
    # full screen on 438 / off 439
    sprite(d + 1, ROUND, 52, 164, scale=0.34)
    sprite(d + 1, (OPT_ICONS["screen"], 48, 48), 52, 164, scale=0.42)
    text(d + 1, "4:23", 5, 100, 18, 121, 164, flags="")
    choice_button(d + 1, 438, 226, 164, TOGGLE, TOGGLE_ON, "4:24")
    choice_button(d + 1, 439, 296, 164, TOGGLE, TOGGLE_ON, "4:25")
    # languages: en 440, fr 441, it 442, de 443, es 444 (each named in its own tongue)
    sprite(d + 1, ROUND, 52, 208, scale=0.34)
    sprite(d + 1, (OPT_ICONS["globe"], 48, 48), 52, 208, scale=0.42)
    text(d + 1, "4:26", 5, 100, 18, 121, 208, flags="")
    for i, (tag, name) in enumerate(((440, "1:0"), (441, "1:1"), (443, "1:3"), (444, "1:4"), (442, "1:2"))):
        x = 218 + (i % 3) * 80
        y = 208 + (i // 3) * 32
        choice_button(d + 1, tag, x, y, LANG, LANG_ON, name, w=70)
    text(d + 1, "4:28", 5, 270, 26, 200, 266, tag=222, color="90 60 30")
    simple_button(d + 1, 437, 420, 282, OK, lambda d3: text(d3, "4:27", 7, 70, 26), at=(0, -1), content_scale=1.0)
    emit(d, "</node>")


# --- screen 5: the map choice (the menu tests touches 27 points lower) --------
MAPS = [  # button tag, name tag, threshold tag (None for the first map)
    (452, 499, None), (451, 498, 497), (450, 496, 495), (449, 494, 493),
    (448, 357, 492), (447, 491, 490), (446, 489, 488), (445, 487, 486),
]


def map_page(d):
    emit(d, "<node>")
    sprite(d + 1, PAGE_BACKDROP, 240, 160, opaque=True)
    emit(d + 1, '<node pos="0 -27">')
    emit(d + 2, '<node pos="240 51">')
    sprite(d + 3, HEADING)
    text(d + 3, "4:40", 8, 200, 26, 0, -1)
    emit(d + 2, "</node>")
    # the star total (501) of the 600 to be earned (500)
    emit(d + 2, '<node pos="420 51">')
    sprite(d + 3, STAR_SMALL, -50, 0)
    text(d + 3, "1:10", 5, 40, 18, -20, 0, tag=501, flags="right", color="255 220 90")
    text(d + 3, "4:41", 5, 50, 18, 27, 0, tag=500, flags="")
    emit(d + 2, "</node>")
    for i, (tag, name_tag, need_tag) in enumerate(MAPS):
        x = 78 + (i % 4) * 108
        y = 27 + 110 + (i // 4) * 106
        map_button(d + 2, i, tag, name_tag, need_tag, x, y)
    text(d + 2, "4:42", 5, 360, 16, 270, 27 + 298)
    emit(d + 1, "</node>")
    emit(d, "</node>")


def map_button(d, i, tag, name_tag, need_tag, x, y):
    pic = (MAP_PICTURES[i],) + MAP_PICTURE_SIZE
    emit(d, f'<button tag="{tag}" pos="{x} {y}">')
    if need_tag is None:
        # the first map is always open (its button stays in state 0)
        emit(d + 1, "<node>")
        sprite(d + 2, MAP_FRAME, 0, -6)
        sprite(d + 2, pic, 0, -8)
        emit(d + 1, "</node>")
    else:
        emit(d + 1, "<options>")
        emit(d + 2, "<option>")
        # closed; its keys are the unlock animation: the lock shakes, swells and vanishes
        emit(d + 3, "<node>")
        key(d + 4, 1)
        key(d + 4, 3, to_rot="-8")
        key(d + 4, 3, from_rot="-8", to_rot="8")
        key(d + 4, 3, from_rot="8", to_rot="-8")
        key(d + 4, 3, from_rot="-8")
        key(d + 4, 10, to_scale="1.5", to_color="255 255 255 0")
        emit(d + 4, "<node>")
        sprite(d + 5, MAP_FRAME, 0, -6)
        sprite(d + 5, pic, 0, -8, color="90 90 100")
        sprite(d + 5, LOCK_BIG, 0, -18)
        sprite(d + 5, STAR_SMALL, -14, 16)
        text(d + 5, "1:10", 5, 40, 16, 8, 16, tag=need_tag, flags="", color="255 220 90")
        emit(d + 4, "</node>")
        emit(d + 3, "</node>")
        emit(d + 2, "</option>")
        emit(d + 2, "<option>")
        emit(d + 3, "<node>")
        sprite(d + 4, MAP_FRAME, 0, -6)
        sprite(d + 4, pic, 0, -8)
        emit(d + 3, "</node>")
        emit(d + 2, "</option>")
        emit(d + 1, "</options>")
    text(d + 1, f"7:{i}", 5, 104, 30, 0, 45, tag=name_tag)
    emit(d, "</button>")


# --- screen 6: the level page of a map ---------------------------------------
LEVEL_TAGS = [376] + list(range(453, 477))
NUMBER_TAGS = [512] + list(range(503, 512)) + list(range(513, 528))


def level_page(d):
    emit(d, "<node>")
    sprite(d + 1, PAGE_BACKDROP, 240, 160, opaque=True)
    emit(d + 1, '<node pos="0 -27">')
    # the map's picture (370: one option per map), its name (530) and stars (529 of 75, 528)
    emit(d + 2, '<node pos="84 167">')
    sprite(d + 3, BANNER_FRAME)
    options(d + 3, [lambda dd, i=i: sprite(dd, (MAP_PICTURES[i],) + MAP_PICTURE_SIZE, scale=0.56) for i in range(8)],
            'tag="370" pos="0 -22"')
    text(d + 3, "7:0", 5, 104, 36, 0, 28, tag=530)
    sprite(d + 3, STAR_SMALL, -30, 58)
    text(d + 3, "1:10", 5, 30, 18, -3, 58, tag=529, flags="right", color="255 220 90")
    text(d + 3, "4:50", 5, 40, 18, 33, 58, tag=528, flags="")
    emit(d + 2, "</node>")
    for n in range(25):
        x = 196 + (n % 5) * 60
        y = 27 + 42 + (n // 5) * 56
        level_button(d + 2, LEVEL_TAGS[n], NUMBER_TAGS[n], n + 1, x, y)
    emit(d + 1, "</node>")
    emit(d, "</node>")


def level_button(d, tag, number_tag, n, x, y):
    emit(d, f'<button tag="{tag}" pos="{x} {y}">')
    # state 0 locked, 1 open
    options(d + 1, [lambda dd: (sprite(dd, TILE_LOCKED), sprite(dd, LOCK, 0, -3)), lambda dd: sprite(dd, TILE_OPEN)])
    emit(d + 1, "<node>")
    key(d + 2, 1, from_pos="0 -4", to_pos="0 -4", from_color="255 255 255 0", to_color="255 255 255 0")
    key(d + 2, 1, from_pos="0 -4", to_pos="0 -4")
    text(d + 2, "1:11", 7, 40, 30, tag=number_tag)
    emit(d + 1, "</node>")
    # finished or not (374: two options); the stars of the medal inside (424)
    # shown only while the button is open: a locked or empty button must not
    # keep the marks of the level it showed on another map
    emit(d + 1, "<node>")
    key(d + 2, 1, from_pos="0 14", to_pos="0 14", from_color="255 255 255 0", to_color="255 255 255 0")
    key(d + 2, 1, from_pos="0 14", to_pos="0 14")
    # children 0, 1 and 3 are darkened by the menu: the stars not earned, so
    # the lit ones are listed last (bronze) and second and third (silver)
    medals = (((2, "empty"), (14, "empty"), (-10, "bronze")),
              ((14, "empty"), (-10, "silver"), (2, "silver")),
              ((-10, "gold"), (2, "gold"), (14, "gold")))

    def stars(dd, row):
        for px, star in row:
            sprite(dd, (STARS["gold" if star == "empty" else star],) + STAR_SIZE, px, 0)

    def finished(dd):
        emit(dd, "<node>")
        options(dd + 1, [lambda d3, row=row: stars(d3, row) for row in medals], 'tag="424" pos="-2 3"')
        emit(dd, "</node>")

    options(d + 2, [lambda dd: emit(dd, "<node/>"), finished], 'tag="374"')
    emit(d + 1, "</node>")
    emit(d, "</button>")


def main():
    emit(0, "<!-- Written by tools/make_menu_scene.py: change the layout there.")
    emit(0, "     The menu: the root's first child is the list of its seven screens")
    emit(0, "     (0 intro, 1 main, 2 help holder, 3 about, 4 options, 5 map choice,")
    emit(0, "     6 level page); the nodes the menu drives carry their tags. -->")
    emit(0, "<scene>")
    emit(1, "<node>")
    # a tag for looking at one screen with scene_shot (--option 9 N); not in the game's file
    emit(2, '<options tag="9">' if "--shot" in sys.argv else "<options>")
    for page in (intro_page, main_page, help_holder, info_page, options_page, map_page, level_page):
        emit(3, "<option>")
        page(4)
        emit(3, "</option>")
    emit(2, "</options>")
    emit(1, "</node>")
    emit(0, "</scene>")
    sys.stdout.write("\n".join(out) + "\n")


if __name__ == "__main__":
    main()
