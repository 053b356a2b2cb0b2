#pragma once

// Command and resource numbers. The program's own commands keep their historic numbers; the
// rest are the classic framework ids, so menus, accelerators and handlers agree on one table.

enum : int {
    IDR_MAINFRAME = 128,
    IDD_ABOUTBOX = 100,
    IDR_MENU_HTML = 310,        // tutorial pane, lesson folder known: snippet copy
    IDR_MENU_PROGRAMMING = 311, // editor and gutter: cut, paste
    IDR_MENU_HTML_PLAIN = 312,  // tutorial pane, no lesson folder: the page's own copy
    IDR_WAVE_COPY = 312,

    ID_RUN = 32772,
    ID_BROWSER_SETTING = 32775,
    ID_PAGE_SETTING = 32784,
    ID_DELETE_REGISTRY = 32793,
    ID_COPY_SCRIPT = 32800,

    // Live preview, syntax colours, keyboard commands and zoom
    ID_VIEW_PREVIEW = 33400,
    ID_COPY_STEP = 33401,
    ID_SELECT_STEP = 33402,
    ID_NEXT_PAGE = 33403,
    ID_PREVIOUS_PAGE = 33404,
    ID_ZOOM_IN = 33405,
    ID_ZOOM_OUT = 33406,
    ID_ZOOM_RESET = 33407,
    ID_VIEW_SYNTAX_COLORS = 33408,
    ID_VIEW_PREVIEW_BELOW = 33409,
    ID_EDIT_REDO_STEP = 33200, // guidance: redo
    ID_HELP_GUIDE = 33201,     // guidance: the learner guide

    // Check, compare and catch up
    ID_LESSON_COMPARE = 33300,
    ID_LESSON_CATCH_UP = 33301,

    ID_FILE_NEW = 57600,
    ID_FILE_OPEN = 57601,
    ID_FILE_SAVE = 57603,
    ID_FILE_SAVE_AS = 57604,
    ID_FILE_MRU_FILE1 = 57616,
    ID_FILE_MRU_LAST = 57631,
    ID_EDIT_COPY = 57634,
    ID_EDIT_CUT = 57635,
    ID_EDIT_PASTE = 57637,
    ID_EDIT_SELECT_ALL = 57642,
    ID_EDIT_UNDO = 57643,
    ID_APP_ABOUT = 57664,
    ID_APP_EXIT = 57665,
    ID_NEXT_PANE = 57680,
    ID_PREV_PANE = 57681,
    ID_VIEW_TOOLBAR = 59392,
    ID_VIEW_STATUS_BAR = 59393,

    AFX_IDW_PANE_FIRST = 59648,

    // Saved progress: redo this step, history, start over.
    ID_PROGRESS_REDO_STEP = 33100,
    ID_PROGRESS_HISTORY = 33101,
    ID_PROGRESS_START_OVER = 33102,
};
