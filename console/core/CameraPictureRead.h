#pragma once

#include "CameraPictureState.h"

class KVQDocCamController;

// The picture state of the controller's cached camera status, for the
// frame callbacks of the console and the TWAIN data source.
CameraPictureState ReadPictureState(const KVQDocCamController& camera, unsigned long features);

// The model's cached feature word; 0 while the model is unknown.
unsigned long ReadKnownFeatures(KVQDocCamController& camera);
