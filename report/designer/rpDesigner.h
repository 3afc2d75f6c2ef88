#pragma once
// The designer component: placed on a form, it gives the designer the folder of its report templates
// (the templates "New from template" offers and "Save as" template writes).
#include <QString>

class TrpDesigner {
public:
    QString TemplateDir;
    // The form that holds the component has been made: the designer takes TemplateDir as its templates
    // folder. A relative folder lies beside the program, whatever the current folder is.
    void Loaded();
};
