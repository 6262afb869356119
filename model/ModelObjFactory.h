#pragma once

#include "RenderableModelOBJ.h"

#include <map>
#include <memory>
#include <string>

// Owns the program's renderable models and hands them out by name (the model file's path).
class ModelObjFactory {
  public:
    ModelObjFactory() = default;
    virtual ~ModelObjFactory();
    ModelObjFactory(const ModelObjFactory&) = delete;
    ModelObjFactory& operator=(const ModelObjFactory&) = delete;

    // A new, not yet initialised model under name; an earlier model of that name is destroyed
    // first. Null (and stored as null) when it cannot be allocated.
    RenderableModelOBJ* createModel(const std::string& name, const std::string& resourceFolder);
    // Null when no model of that name was created; never adds an entry.
    RenderableModelOBJ* getModel(const std::string& name) const;
    // Destroys every model held.
    void clear();

    std::map<std::string, std::unique_ptr<RenderableModelOBJ>> models;
};
