#pragma once

#include "ModelObjFactory.h"
#include "RenderableTerrainModelOBJ.h"

// The product model (scene 1) and the terrain surface (scene 2).
extern ModelObjFactory modelFactory;
extern RenderableTerrainModelOBJ* terrainModel; // made by InitTerrain

// Start-up steps.
void InitModel();
void InitTerrain();
// Per-frame steps.
void RenderBrastelModel();
void RenderTerrain();
// Shutdown: the models' GL objects, while the context may still exist.
void ReleaseModels();
