#pragma once

// Per frame, after the normal pass: the sky's light on the animated terrain into envLightTarget
// (rgb: irradiance from the sky's coefficients for the surface normal, times the open share of
// the sky; a: that share), then its mipmaps. The sky's irradiance on level ground is about pi
// times its mean radiance over the upper hemisphere. Does nothing until the render targets exist.
void EnvLightPass();
