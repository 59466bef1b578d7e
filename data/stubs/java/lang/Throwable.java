// Compile-time stand-in for the CLDC class; never packed into a suite.
package java.lang;

public class Throwable {
    public Throwable() {
    }
}
// SPDX-License-Identifier: MIT
