// What the node details window and its modal editors need from the main
// window: the open document (whose history every change goes onto), the
// selection they show and edit, the message boxes and the settings store
// that keeps window placements. All outlive every editor. An editor opens
// clear of what `clearArea` names; without it, at its design place.
#pragma once

#include <functional>

#include "widgets/ClearPlacement.h"

class Document;
class Selection;
class SettingsStore;
class UserQuestions;

struct DetailEditorContext {
    Document& document;
    Selection& selection;
    UserQuestions& dialogs;
    SettingsStore& settings;
    std::function<ClearArea()> clearArea;
};
