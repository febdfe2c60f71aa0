#include "app/window_classes.h"

#include <algorithm>
#include <string>
#include <vector>

namespace {

struct WindowClass {
    std::string name;
    InstanceHandle instance;
    WindowProcedure procedure;
};

std::vector<WindowClass> classes;

std::vector<WindowClass>::iterator find(const char* name, InstanceHandle instance) {
    if (!name) return classes.end();
    return std::find_if(classes.begin(), classes.end(), [&](const WindowClass& entry) {
        return entry.name == name && entry.instance == instance;
    });
}

}  // namespace

bool classRegister(const WindowClassDesc* desc) {
    if (!desc || !desc->className || !desc->procedure) return false;
    if (find(desc->className, desc->instance) != classes.end()) return false;
    classes.push_back({desc->className, desc->instance, desc->procedure});
    return true;
}

bool classUnregister(const char* name, InstanceHandle instance) {
    auto entry = find(name, instance);
    if (entry == classes.end()) return false;
    classes.erase(entry);
    return true;
}

WindowProcedure classProcedure(const char* name, InstanceHandle instance) {
    auto entry = find(name, instance);
    return entry == classes.end() ? nullptr : entry->procedure;
}

void classForgetAll() { classes.clear(); }
