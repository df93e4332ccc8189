// Resource IDs of lanqiao.exe. Plain #defines, because windres reads this file as well as
// the C++ code that loads the resources.
#pragma once

// The program's icon, also the tray icon. The lowest icon ID, so Explorer shows it for the
// exe.
#define IDI_TRAY 101

// The toolbar strip: LQ_TOOLBAR_IMAGE_COUNT images of LQ_TOOLBAR_IMAGE_SIZE square pixels
// side by side, 32 bpp with straight (not premultiplied) alpha. Fully transparent pixels
// hold LQ_TOOLBAR_MASK_COLOUR, so an image list can take it with or without its alpha.
#define IDB_TOOLBAR 201
#define LQ_TOOLBAR_IMAGE_SIZE 24
#define LQ_TOOLBAR_IMAGE_COUNT 13
#define LQ_TOOLBAR_MASK_COLOUR 0x00FF00FF  // COLORREF 0x00BBGGRR: magenta

// What each toolbar image shows, by its index in the strip.
#define LQ_IMAGE_SEARCH 0
#define LQ_IMAGE_REFRESH 1
#define LQ_IMAGE_WEBSITE 2
#define LQ_IMAGE_ADD_CUSTOMER 3
#define LQ_IMAGE_DELETE 4
#define LQ_IMAGE_CHART 5
#define LQ_IMAGE_EDIT 6
#define LQ_IMAGE_OUR_IDS 7
#define LQ_IMAGE_CLOSED_DEALS 8
#define LQ_IMAGE_MORE_OPTIONS 9
#define LQ_IMAGE_CALENDAR 10
#define LQ_IMAGE_OPEN_FOLLOW_UPS 11
#define LQ_IMAGE_EXPORT 12

// The application manifest: the ID the loader reads at process creation
// (CREATEPROCESS_MANIFEST_RESOURCE_ID), of type RT_MANIFEST (24).
#define LQ_MANIFEST_ID 1

// The version resource (VS_VERSION_INFO).
#define LQ_VERSION_ID 1

// The skin engine library, SkinH_EL.dll as skin/ builds it for this exe's architecture
// (RCDATA). The program writes it out beside itself.
#define IDR_SKIN_ENGINE 301
