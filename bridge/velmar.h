#ifndef KELVARA_VELMAR_H
#define KELVARA_VELMAR_H
/* libvelmar.so: the bridge from the client to the 3D viewer. Each function
 * connects to the viewer's socket, hands over one command message in one
 * write and waits until the viewer has read it (at most one second).
 * Result 0: the viewer took the message; non-zero: it did not (see the QOR3D_ERR_ codes). Paths are
 * zero-terminated 8-bit strings. A message longer than 256 bytes is refused,
 * never cut. */

#ifdef __cplusplus
extern "C" {
#endif

#define QOR3D_OK 0
/* No viewer runs (nothing listens on the socket). */
#define QOR3D_ERR_NO_VIEWER (-1)
/* The message would exceed 256 bytes. */
#define QOR3D_ERR_TOO_LONG (-2)
/* No path, or a path with a comma, which the message format cannot carry. */
#define QOR3D_ERR_BAD_PATH (-3)
/* The connection was made but the message was not handed over whole. */
#define QOR3D_ERR_SEND (-4)
/* A viewer runs but its queue of connections is full: try again later. */
#define QOR3D_ERR_BUSY (-5)
/* The runtime directory may be written by other users (or is not the
   user's own): the socket in it cannot be trusted, nothing was sent. */
#define QOR3D_ERR_UNSAFE_DIR (-6)
/* The viewer closed the connection without reading the message (it
 * ended, or refused it because another sender already waits), or did not
 * read it within one second. */
#define QOR3D_ERR_NOT_TAKEN (-7)

/* "1,path": the angle table file. */
int Qor3D_UpdateAngleTable(const char* path);
/* "2,path": a distance data file (a plane frame's export file). */
int Qor3D_UpdateDistanceData(const char* path);
/* "3,min,max": the distance range in millimetres. */
int Qor3D_UpdateDistanceRange(int min, int max);
/* "4,ratio": the distance ratio; its text reads back as the same float. */
int Qor3D_UpdateDistanceRatio(float ratio);
/* "5,min,max": the colour range in millimetres. */
int Qor3D_UpdateColorRange(int min, int max);
/* "6,path": a coordinate data file (a point frame's export file). */
int Qor3D_UpdateCoordinateData(const char* path);

#ifdef __cplusplus
}
#endif

#endif /* KELVARA_VELMAR_H */
