// Compile-time stand-in for the CLDC class; never packed into a suite.
package java.lang;

public final class String {
    public String() {
    }
}
// SPDX-License-Identifier: MIT
