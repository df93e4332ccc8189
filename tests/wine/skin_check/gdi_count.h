#pragma once
// How many GDI objects this process holds: the system's count where it keeps one, otherwise
// (Wine) a walk over every handle value the object table can give out. -1 when neither works.
long gdi_object_count();
