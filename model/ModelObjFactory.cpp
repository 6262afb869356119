#include "ModelObjFactory.h"

#include <new>

ModelObjFactory::~ModelObjFactory() {
    clear();
}

RenderableModelOBJ* ModelObjFactory::createModel(const std::string& name,
                                                 const std::string& resourceFolder) {
    models.erase(name);
    RenderableModelOBJ* model = new (std::nothrow) RenderableModelOBJ(resourceFolder);
    models[name].reset(model);
    return model;
}

RenderableModelOBJ* ModelObjFactory::getModel(const std::string& name) const {
    const auto it = models.find(name);
    return it == models.end() ? nullptr : it->second.get();
}

void ModelObjFactory::clear() {
    models.clear();
}
