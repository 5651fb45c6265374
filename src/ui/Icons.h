#pragma once

#include <QIcon>

// The toolbar's pictures, drawn by the program so they look the same on
// every desktop theme.
enum class TToolIcon {
    Back,
    New,
    Open,
    Save,
    Remove,
    Create,
    Modify,
    Delete,
    Up,
    Down,
    Settings,
    Generate,
    Upload,
    Download,
    SendData,
    Help,
    Steps,
};

QIcon ToolIcon(TToolIcon icon);
