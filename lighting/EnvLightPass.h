#pragma once

// Per frame, after the synthesis and before the normal pass (which makes its mipmaps): the sky's
// light on the animated terrain into envLightTarget (rgb: irradiance from the sky's coefficients
// for the surface normal, the terrain in the way left to the key-light pass's open share; a: the
// surface's steepness, 1 - n.y). The sky's irradiance on level ground is about pi times its mean
// radiance over the upper hemisphere. Does nothing until the render targets exist.
void EnvLightPass();
