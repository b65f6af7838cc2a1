// The application object and the process-wide objects made before any window.
#pragma once

#include "ui/win/application.h"

namespace scriblet {

class NotesApp : public win::Application {
public:
    bool InitInstance() override;
};

}  // namespace scriblet
