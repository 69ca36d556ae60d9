// The older build has no style element: in its place, nothing. Its panel's
// frame and title bar are nine-piece panels (legacy/panel/SkinnedFrame.cpp).
