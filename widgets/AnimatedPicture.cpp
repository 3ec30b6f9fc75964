#include "widgets/AnimatedPicture.h"

CAnimatedPicture::CAnimatedPicture() = default;
CAnimatedPicture::~CAnimatedPicture() = default;

bool CAnimatedPicture::LoadFromResource(const char*, const char*) { return false; }
bool CAnimatedPicture::LoadFromMemory(HGLOBAL, DWORD) { return false; }
bool CAnimatedPicture::Display() { return false; }
void CAnimatedPicture::StopAnimation() {}
void CAnimatedPicture::ReleasePicture() {}
