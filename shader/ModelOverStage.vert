#version 150
// The model's box on the picture, as a strip of two triangles: corners from gl_VertexID.
uniform vec4 BoxClip; // x0, y0, x1, y1 in clip space

void main()
{
    gl_Position = vec4(gl_VertexID % 2 == 0 ? BoxClip.x : BoxClip.z,
                       gl_VertexID < 2 ? BoxClip.y : BoxClip.w, 0.0, 1.0);
}
