// Reads a JAR the way a Java runtime does: every entry read to its end (so a
// CRC or size mismatch throws), through its central directory (JarFile) and
// again through its local headers (JarInputStream, as installers stream it),
// then the manifest's main attributes printed as "Key: value" lines. Exit
// status 1 and the exception on stderr when it fails.
import java.io.FileInputStream;
import java.io.InputStream;
import java.util.Enumeration;
import java.util.jar.Attributes;
import java.util.jar.JarEntry;
import java.util.jar.JarFile;
import java.util.jar.JarInputStream;
import java.util.jar.Manifest;

public class JarCheck {
    public static void main(String[] args) throws Exception {
        try (JarFile jar = new JarFile(args[0], true)) {
            byte[] buffer = new byte[8192];
            for (Enumeration<JarEntry> e = jar.entries(); e.hasMoreElements();) {
                try (InputStream in = jar.getInputStream(e.nextElement())) {
                    while (in.read(buffer) >= 0) {
                    }
                }
            }
            readAsStream(args[0], buffer);
            Manifest manifest = jar.getManifest();
            if (manifest == null) {
                System.out.println("(no manifest)");
                return;
            }
            for (java.util.Map.Entry<Object, Object> a : manifest.getMainAttributes().entrySet()) {
                System.out.println(a.getKey() + ": " + a.getValue());
            }
        } catch (Exception e) {
            System.err.println(e);
            System.exit(1);
        }
    }

    private static void readAsStream(String path, byte[] buffer) throws Exception {
        try (JarInputStream in = new JarInputStream(new FileInputStream(path), true)) {
            while (in.getNextJarEntry() != null) {
                while (in.read(buffer) >= 0) {
                }
            }
        }
    }
}
// SPDX-License-Identifier: MIT
