// Popup menus: a stack of borderless popup windows drawn with SDL's software
// renderer and SDL2_ttf, worked by either mouse button and by the keyboard.
#include "PlatWindowInternal.h"
#include "PlatformWindow.h"

#include <SDL_ttf.h>
#include <fontconfig/fontconfig.h>
#include <map>
#include <vector>

namespace {

enum EntryKind { EntryItem, EntrySubmenu, EntrySeparator };

struct MenuEntry {
    int kind = EntryItem;
    std::string text, hint; // hint: the part after the tab, shown right-aligned
    int command = 0;
    int child = 0; // list index of a submenu
};

struct MenuList {
    std::vector<MenuEntry> entries;
};

struct Menu {
    std::vector<MenuList> lists{1}; // list 0 is the menu itself
    std::vector<int> building{0};   // submenus open for adding, innermost last
};

// One shown list: its window and where its entries lie.
struct Level {
    int list = 0;
    SDL_Window* window = nullptr;
    SDL_Renderer* renderer = nullptr;
    SDL_Rect rect{}; // screen coordinates
    std::vector<int> entryY;
    std::vector<SDL_Texture*> textTextures, hintTextures;
    int hover = -1;
    bool dirty = true;
};

constexpr int ItemHeight = 22;
constexpr int SeparatorHeight = 9;
constexpr int FramePad = 3; // border plus inner space above the first entry
constexpr int TextLeft = 26;
constexpr int HintGap = 32;
constexpr int ArrowArea = 22;
constexpr int MinWidth = 120;
constexpr int FontPixels = 13;
constexpr int FallbackGlyphWidth = 7; // box glyphs when no font is found

std::map<int, Menu> Menus;
TTF_Font* MenuFont = nullptr;
bool FontTried = false;

} // namespace

// --- Building ---

void PlatMenuCreate(int menu) {
    Menus[menu] = Menu{};
}

// The list items are added to now, or null when the menu does not exist.
static MenuList* BuildingList(int menu, Menu** owner = nullptr) {
    auto it = Menus.find(menu);
    if (it == Menus.end()) return nullptr;
    if (owner) *owner = &it->second;
    return &it->second.lists[static_cast<size_t>(it->second.building.back())];
}

void PlatMenuOpenSubmenu(int menu, const std::string& text) {
    Menu* m = nullptr;
    if (!BuildingList(menu, &m)) return;
    MenuEntry entry;
    entry.kind = EntrySubmenu;
    entry.text = text;
    entry.child = static_cast<int>(m->lists.size());
    m->lists[static_cast<size_t>(m->building.back())].entries.push_back(entry);
    m->lists.emplace_back();
    m->building.push_back(entry.child);
}

void PlatMenuCloseSubmenu(int menu) {
    auto it = Menus.find(menu);
    if (it != Menus.end() && it->second.building.size() > 1) it->second.building.pop_back();
}

void PlatMenuAddItem(int menu, int command, const std::string& text) {
    MenuList* list = BuildingList(menu);
    if (!list) return;
    MenuEntry entry;
    entry.command = command;
    size_t tab = text.find('\t');
    entry.text = text.substr(0, tab);
    if (tab != std::string::npos) entry.hint = text.substr(tab + 1);
    list->entries.push_back(entry);
}

void PlatMenuAddSeparator(int menu) {
    MenuList* list = BuildingList(menu);
    if (!list) return;
    MenuEntry entry;
    entry.kind = EntrySeparator;
    list->entries.push_back(entry);
}

// --- Font and text ---

// Path of the font fontconfig picks for "sans-serif", or "" when none.
static std::string FindMenuFontFile() {
    std::string path;
    FcConfig* config = FcInitLoadConfigAndFonts();
    if (!config) return path;
    FcPattern* pattern = FcNameParse(reinterpret_cast<const FcChar8*>("sans-serif"));
    if (pattern) {
        FcConfigSubstitute(config, pattern, FcMatchPattern);
        FcDefaultSubstitute(pattern);
        FcResult result = FcResultNoMatch;
        FcPattern* match = FcFontMatch(config, pattern, &result);
        if (match) {
            FcChar8* file = nullptr;
            if (FcPatternGetString(match, FC_FILE, 0, &file) == FcResultMatch && file)
                path = reinterpret_cast<const char*>(file);
            FcPatternDestroy(match);
        }
        FcPatternDestroy(pattern);
    }
    FcConfigDestroy(config);
    return path;
}

// Opens the menu font once; null when there is none (box glyphs then).
static TTF_Font* Font() {
    if (FontTried) return MenuFont;
    FontTried = true;
    if (TTF_WasInit() == 0 && TTF_Init() != 0) return nullptr;
    std::string file = FindMenuFontFile();
    if (!file.empty()) MenuFont = TTF_OpenFont(file.c_str(), FontPixels);
    return MenuFont;
}

// Width of `text` in pixels as drawn.
static int TextWidth(const std::string& text) {
    if (text.empty()) return 0;
    if (TTF_Font* font = Font()) {
        int w = 0, h = 0;
        if (TTF_SizeUTF8(font, PlatLatin1ToUtf8(text).c_str(), &w, &h) == 0) return w;
    }
    return static_cast<int>(text.size()) * FallbackGlyphWidth;
}

// A white texture of `text` to be tinted when drawn, or null (box glyphs then).
static SDL_Texture* TextTexture(SDL_Renderer* renderer, const std::string& text) {
    TTF_Font* font = Font();
    if (!font || text.empty()) return nullptr;
    SDL_Surface* surface =
        TTF_RenderUTF8_Blended(font, PlatLatin1ToUtf8(text).c_str(), SDL_Color{255, 255, 255, 255});
    if (!surface) return nullptr;
    SDL_Texture* texture = SDL_CreateTextureFromSurface(renderer, surface);
    SDL_FreeSurface(surface);
    return texture;
}

// Draws text at (x, centre line y) in the given colour; box glyphs without a texture.
static void DrawText(SDL_Renderer* renderer, SDL_Texture* texture, const std::string& text, int x,
                     int centreY, SDL_Color color) {
    if (texture) {
        int w = 0, h = 0;
        SDL_QueryTexture(texture, nullptr, nullptr, &w, &h);
        SDL_SetTextureColorMod(texture, color.r, color.g, color.b);
        SDL_Rect to{x, centreY - h / 2, w, h};
        SDL_RenderCopy(renderer, texture, nullptr, &to);
        return;
    }
    SDL_SetRenderDrawColor(renderer, color.r, color.g, color.b, 255);
    for (size_t i = 0; i < text.size(); i++) {
        if (text[i] == ' ') continue;
        SDL_Rect box{x + static_cast<int>(i) * FallbackGlyphWidth, centreY - 4,
                     FallbackGlyphWidth - 2, 9};
        SDL_RenderDrawRect(renderer, &box);
    }
}

// --- Showing ---

namespace {

struct MenuSession {
    const Menu* menu = nullptr;
    int ownerWindow = 0;
    std::vector<Level> levels;
    SDL_Rect bounds{}; // usable screen area
    bool done = false;
    bool chosen = false;
    int command = 0;
    bool pressedInside = false; // a button went down on the menu since it opened
};

} // namespace

// Height of a list's window and the top of each entry; fills entryY.
static int LayOut(const MenuList& list, std::vector<int>& entryY) {
    int y = FramePad;
    entryY.clear();
    for (const MenuEntry& e : list.entries) {
        entryY.push_back(y);
        y += e.kind == EntrySeparator ? SeparatorHeight : ItemHeight;
    }
    return y + FramePad;
}

// Width a list needs for its texts, hints and submenu arrows.
static int ListWidth(const MenuList& list) {
    int text = 0, hint = 0;
    for (const MenuEntry& e : list.entries) {
        if (e.kind == EntrySeparator) continue;
        text = SDL_max(text, TextWidth(e.text));
        hint = SDL_max(hint, TextWidth(e.hint));
    }
    int width = TextLeft + text + (hint > 0 ? HintGap + hint : 0) + ArrowArea;
    return SDL_max(width, MinWidth);
}

// Opens a window for list `list` with its top-left near (x, y), kept on the
// screen; `flipLeftOf` is where it goes instead when it does not fit on the right.
static bool OpenLevel(MenuSession& s, int list, int x, int y, int flipLeftOf) {
    const MenuList& entries = s.menu->lists[static_cast<size_t>(list)];
    Level level;
    level.list = list;
    level.rect.w = ListWidth(entries);
    level.rect.h = LayOut(entries, level.entryY);
    const SDL_Rect& b = s.bounds;
    if (x + level.rect.w > b.x + b.w)
        x = flipLeftOf >= 0 ? flipLeftOf - level.rect.w : b.x + b.w - level.rect.w;
    if (y + level.rect.h > b.y + b.h) y = b.y + b.h - level.rect.h;
    level.rect.x = SDL_max(x, b.x);
    level.rect.y = SDL_max(y, b.y);
    std::string title = "PopupMenu " + std::to_string(s.levels.size());
    level.window =
        SDL_CreateWindow(title.c_str(), level.rect.x, level.rect.y, level.rect.w, level.rect.h,
                         SDL_WINDOW_BORDERLESS | SDL_WINDOW_ALWAYS_ON_TOP |
                             SDL_WINDOW_SKIP_TASKBAR | SDL_WINDOW_POPUP_MENU | SDL_WINDOW_SHOWN);
    if (!level.window) return false;
    // Software drawing leaves the game's own GL context alone.
    level.renderer = SDL_CreateRenderer(level.window, -1, SDL_RENDERER_SOFTWARE);
    if (!level.renderer) {
        SDL_DestroyWindow(level.window);
        return false;
    }
    for (const MenuEntry& e : entries.entries) {
        level.textTextures.push_back(TextTexture(level.renderer, e.text));
        level.hintTextures.push_back(TextTexture(level.renderer, e.hint));
    }
    s.levels.push_back(level);
    return true;
}

// Closes the levels deeper than `keep` (keep = -1 closes all).
static void CloseLevelsAfter(MenuSession& s, int keep) {
    while (static_cast<int>(s.levels.size()) > keep + 1) {
        Level& level = s.levels.back();
        for (SDL_Texture* t : level.textTextures)
            if (t) SDL_DestroyTexture(t);
        for (SDL_Texture* t : level.hintTextures)
            if (t) SDL_DestroyTexture(t);
        SDL_DestroyRenderer(level.renderer);
        SDL_DestroyWindow(level.window);
        s.levels.pop_back();
    }
    if (keep >= 0 && keep < static_cast<int>(s.levels.size()))
        s.levels[static_cast<size_t>(keep)].dirty = true;
}

static const MenuEntry& EntryOf(const MenuSession& s, const Level& level, int index) {
    return s.menu->lists[static_cast<size_t>(level.list)].entries[static_cast<size_t>(index)];
}

static int EntryCount(const MenuSession& s, const Level& level) {
    return static_cast<int>(s.menu->lists[static_cast<size_t>(level.list)].entries.size());
}

// Highlights entry `index` of level `depth` and shows its submenu, if it has
// one, instead of any deeper level open before.
static void Hover(MenuSession& s, int depth, int index, bool openSubmenu) {
    Level& level = s.levels[static_cast<size_t>(depth)];
    if (index >= 0 && EntryOf(s, level, index).kind == EntrySeparator) index = -1;
    bool childOpen = static_cast<int>(s.levels.size()) > depth + 1;
    // The pointer on a gap or on the entry of the open submenu keeps that submenu.
    if (childOpen && openSubmenu && (index < 0 || index == level.hover)) return;
    if (level.hover != index) level.dirty = true;
    level.hover = index;
    CloseLevelsAfter(s, depth);
    if (openSubmenu && index >= 0 && EntryOf(s, level, index).kind == EntrySubmenu) {
        const Level& parent = s.levels[static_cast<size_t>(depth)];
        OpenLevel(s, EntryOf(s, parent, index).child, parent.rect.x + parent.rect.w - 3,
                  parent.rect.y + parent.entryY[static_cast<size_t>(index)] - FramePad,
                  parent.rect.x + 3);
    }
}

// Deepest level under the screen point, and the entry there (-1 for none).
static int LevelAt(const MenuSession& s, int x, int y, int* entry) {
    for (int d = static_cast<int>(s.levels.size()) - 1; d >= 0; d--) {
        const Level& level = s.levels[static_cast<size_t>(d)];
        SDL_Point p{x, y};
        if (!SDL_PointInRect(&p, &level.rect)) continue;
        *entry = -1;
        int localY = y - level.rect.y;
        for (int i = 0; i < EntryCount(s, level); i++) {
            int top = level.entryY[static_cast<size_t>(i)];
            int height = EntryOf(s, level, i).kind == EntrySeparator ? SeparatorHeight : ItemHeight;
            if (localY >= top && localY < top + height) *entry = i;
        }
        return d;
    }
    return -1;
}

// Ends the menu with `command` chosen.
static void Choose(MenuSession& s, int command) {
    s.chosen = true;
    s.command = command;
    s.done = true;
}

// Acts on the entry under the pointer or the highlighted one: opens a
// submenu or chooses an item.
static void Activate(MenuSession& s, int depth, int index) {
    if (depth < 0 || index < 0) return;
    const MenuEntry& e = EntryOf(s, s.levels[static_cast<size_t>(depth)], index);
    if (e.kind == EntryItem) {
        Choose(s, e.command);
    } else if (e.kind == EntrySubmenu) {
        Hover(s, depth, index, true);
    }
}

// Next selectable entry of a level from `from` in direction `step`, wrapping.
static int NextSelectable(const MenuSession& s, const Level& level, int from, int step) {
    int count = EntryCount(s, level);
    if (count == 0) return -1;
    int i = from;
    for (int tries = 0; tries < count; tries++) {
        i = i < 0 ? (step > 0 ? 0 : count - 1) : (i + step + count) % count;
        if (EntryOf(s, level, i).kind != EntrySeparator) return i;
    }
    return -1;
}

// Opens the submenu of an entry with its first entry highlighted.
static void OpenWithFirst(MenuSession& s, int depth, int index) {
    Activate(s, depth, index);
    if (static_cast<int>(s.levels.size()) <= depth + 1) return;
    Level& child = s.levels[static_cast<size_t>(depth + 1)];
    Hover(s, depth + 1, NextSelectable(s, child, -1, 1), false);
}

// Keyboard: arrows move and open or close submenus, Enter chooses, Escape
// closes one level, Alt closes the menu.
static void HandleKey(MenuSession& s, SDL_Scancode key) {
    int depth = static_cast<int>(s.levels.size()) - 1;
    Level& level = s.levels.back();
    switch (key) {
    case SDL_SCANCODE_DOWN:
        Hover(s, depth, NextSelectable(s, level, level.hover, 1), false);
        break;
    case SDL_SCANCODE_UP:
        Hover(s, depth, NextSelectable(s, level, level.hover, -1), false);
        break;
    case SDL_SCANCODE_HOME:
        Hover(s, depth, NextSelectable(s, level, -1, 1), false);
        break;
    case SDL_SCANCODE_END:
        Hover(s, depth, NextSelectable(s, level, -1, -1), false);
        break;
    case SDL_SCANCODE_RIGHT:
        if (level.hover >= 0 && EntryOf(s, level, level.hover).kind == EntrySubmenu)
            OpenWithFirst(s, depth, level.hover);
        break;
    case SDL_SCANCODE_LEFT:
        if (depth > 0) CloseLevelsAfter(s, depth - 1);
        break;
    case SDL_SCANCODE_ESCAPE:
        if (depth > 0)
            CloseLevelsAfter(s, depth - 1);
        else
            s.done = true;
        break;
    case SDL_SCANCODE_LALT:
    case SDL_SCANCODE_RALT:
        s.done = true;
        break;
    case SDL_SCANCODE_RETURN:
    case SDL_SCANCODE_KP_ENTER:
    case SDL_SCANCODE_SPACE:
        if (level.hover >= 0 && EntryOf(s, level, level.hover).kind == EntrySubmenu)
            OpenWithFirst(s, depth, level.hover);
        else
            Activate(s, depth, level.hover);
        break;
    default:
        break;
    }
}

// Screen position of a mouse event in one of our menu windows, or false.
static bool MenuPoint(const MenuSession& s, uint32_t windowId, int x, int y, int* sx, int* sy) {
    for (const Level& level : s.levels) {
        if (SDL_GetWindowID(level.window) != windowId) continue;
        *sx = level.rect.x + x;
        *sy = level.rect.y + y;
        return true;
    }
    return false;
}

// One event while the menu is open.
static void HandleMenuEvent(MenuSession& s, const SDL_Event& e) {
    int sx = 0, sy = 0, entry = -1;
    switch (e.type) {
    case SDL_MOUSEMOTION:
        if (MenuPoint(s, e.motion.windowID, e.motion.x, e.motion.y, &sx, &sy)) {
            int depth = LevelAt(s, sx, sy, &entry);
            if (depth >= 0) Hover(s, depth, entry, true);
        }
        break;
    case SDL_MOUSEBUTTONDOWN:
        if (!MenuPoint(s, e.button.windowID, e.button.x, e.button.y, &sx, &sy) ||
            LevelAt(s, sx, sy, &entry) < 0) {
            s.done = true; // a press anywhere else dismisses the menu
            break;
        }
        s.pressedInside = true;
        {
            int depth = LevelAt(s, sx, sy, &entry);
            if (entry >= 0 &&
                EntryOf(s, s.levels[static_cast<size_t>(depth)], entry).kind == EntrySubmenu)
                Activate(s, depth, entry);
            else if (depth >= 0)
                Hover(s, depth, entry, true);
        }
        break;
    case SDL_MOUSEBUTTONUP:
        if (s.pressedInside && MenuPoint(s, e.button.windowID, e.button.x, e.button.y, &sx, &sy)) {
            int depth = LevelAt(s, sx, sy, &entry);
            if (depth >= 0 && entry >= 0 &&
                EntryOf(s, s.levels[static_cast<size_t>(depth)], entry).kind == EntryItem)
                Activate(s, depth, entry);
        }
        break;
    case SDL_KEYDOWN:
        HandleKey(s, e.key.keysym.scancode);
        break;
    case SDL_KEYUP:
        PlatKeyboardTrackKey(e.key.keysym.scancode, false);
        break;
    case SDL_QUIT:
        PlatHandleSdlEvent(e);
        s.done = true;
        break;
    default:
        if (e.type == SDL_WINDOWEVENT && PlatWindowNumberOf(e.window.windowID) != 0)
            PlatHandleSdlEvent(e);
        break;
    }
}

// Draws one level: frame, highlight, texts, right-aligned hints, arrows, separators.
static void DrawMenuLevel(const MenuSession& s, Level& level) {
    SDL_Renderer* r = level.renderer;
    const SDL_Color text{20, 20, 20, 255}, hintColor{96, 96, 96, 255}, lit{255, 255, 255, 255};
    SDL_SetRenderDrawColor(r, 250, 250, 250, 255);
    SDL_RenderClear(r);
    SDL_SetRenderDrawColor(r, 150, 150, 150, 255);
    SDL_Rect frame{0, 0, level.rect.w, level.rect.h};
    SDL_RenderDrawRect(r, &frame);
    for (int i = 0; i < EntryCount(s, level); i++) {
        const MenuEntry& e = EntryOf(s, level, i);
        int top = level.entryY[static_cast<size_t>(i)];
        if (e.kind == EntrySeparator) {
            SDL_SetRenderDrawColor(r, 210, 210, 210, 255);
            SDL_RenderDrawLine(r, 4, top + SeparatorHeight / 2, level.rect.w - 5,
                               top + SeparatorHeight / 2);
            continue;
        }
        bool hot = i == level.hover;
        if (hot) {
            SDL_SetRenderDrawColor(r, 0, 110, 200, 255);
            SDL_Rect bar{2, top, level.rect.w - 4, ItemHeight};
            SDL_RenderFillRect(r, &bar);
        }
        int centre = top + ItemHeight / 2;
        DrawText(r, level.textTextures[static_cast<size_t>(i)], e.text, TextLeft, centre,
                 hot ? lit : text);
        if (!e.hint.empty()) {
            int x = level.rect.w - ArrowArea - TextWidth(e.hint);
            DrawText(r, level.hintTextures[static_cast<size_t>(i)], e.hint, x, centre,
                     hot ? lit : hintColor);
        }
        if (e.kind == EntrySubmenu) {
            SDL_Color c = hot ? lit : text;
            SDL_SetRenderDrawColor(r, c.r, c.g, c.b, 255);
            int x = level.rect.w - ArrowArea / 2 - 2;
            for (int k = 0; k <= 4; k++)
                SDL_RenderDrawLine(r, x + k, centre - 4 + k, x + k, centre + 4 - k);
        }
    }
    SDL_RenderPresent(r);
    level.dirty = false;
}

// Shows the menu modally at (screenX, screenY); posts the chosen item's command.
void PlatMenuShow(int menu, int window, int screenX, int screenY) {
    auto it = Menus.find(menu);
    if (it == Menus.end() || it->second.lists[0].entries.empty()) return;
    // Scripted runs have no one to work the menu: it closes choosing nothing.
    if (SDL_WasInit(SDL_INIT_VIDEO) == 0 || PlatKeyboardIsScripted()) return;
    MenuSession s;
    s.menu = &it->second;
    s.ownerWindow = window;
    SDL_Window* owner = PlatSdlWindow(window);
    int display = owner ? SDL_GetWindowDisplayIndex(owner) : 0;
    if (SDL_GetDisplayUsableBounds(display < 0 ? 0 : display, &s.bounds) != 0)
        s.bounds = SDL_Rect{-32768, -32768, 65535, 65535};
    if (owner) SDL_RaiseWindow(owner);
    SDL_Window* glWindow = SDL_GL_GetCurrentWindow();
    SDL_GLContext glContext = SDL_GL_GetCurrentContext();
    PlatPumpEvents(); // what happened before the menu belongs to the game
    if (OpenLevel(s, 0, screenX, screenY, -1)) {
        int x = 0, y = 0;
        uint32_t lastButtons = PlatGlobalPointer(s.levels[0].window, &x, &y);
        while (!s.done) {
            for (Level& level : s.levels)
                if (level.dirty) DrawMenuLevel(s, level);
            SDL_Event e;
            if (SDL_WaitEventTimeout(&e, 15)) {
                HandleMenuEvent(s, e);
                while (!s.done && SDL_PollEvent(&e)) HandleMenuEvent(s, e);
            }
            if (s.done) break;
            // A press outside our windows reaches no event of ours: watch the pointer.
            int entry = -1;
            uint32_t buttons = PlatGlobalPointer(s.levels[0].window, &x, &y);
            if ((buttons & ~lastButtons) != 0 && LevelAt(s, x, y, &entry) < 0) s.done = true;
            lastButtons = buttons;
        }
    }
    CloseLevelsAfter(s, -1);
    if (glWindow && glContext) SDL_GL_MakeCurrent(glWindow, glContext);
    if (owner) {
        SDL_RaiseWindow(owner);
        SDL_SetWindowInputFocus(owner);
    }
    if (s.chosen) {
        PlatEvent event;
        event.kind = PlatEventMenuCommand;
        event.window = window;
        event.number = s.command;
        PlatPostEvent(event);
    }
}

void PlatMenusEnd() {
    Menus.clear();
    if (MenuFont) TTF_CloseFont(MenuFont);
    MenuFont = nullptr;
    FontTried = false;
    if (TTF_WasInit() != 0) TTF_Quit();
}
