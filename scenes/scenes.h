// The nine scene renderers, called once per frame through intro.sceneRenderer.
#pragma once

void PictureScene();
void ScrollerScene();
void CaptionScene();
void GreetingsScene();
void EndScene();
void SphereScene();
void ShaderScene();
void FramedShaderScene();
void BallsScene();

// Name of a renderer for logs ("ScrollerScene", ...); "?" if unknown.
const char* sceneRendererName(void (*renderer)());
