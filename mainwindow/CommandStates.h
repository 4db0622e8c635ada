// Which archive commands are enabled in which state of the main window.
#pragma once

enum class ArchiveState { NoArchive, Archive, ArchiveAfterChange, NewArchive };

struct CommandStates {
    bool extract, add, remove, autoExtract; // menu entries
    bool button3, button4, button5;         // Extraire, Ajouter, Supprimer
};

constexpr CommandStates StatesOf(ArchiveState state) {
    switch (state) {
    case ArchiveState::NoArchive:
        return {false, false, false, false, false, false, false};
    case ArchiveState::Archive:
        return {true, true, true, true, true, true, false};
    case ArchiveState::ArchiveAfterChange:
        return {true, true, false, true, true, true, false};
    case ArchiveState::NewArchive:
        return {false, true, false, false, false, true, false};
    }
    return {};
}
